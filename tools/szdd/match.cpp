// Longest match at every input position, exact: one binary tree per 3-byte hash, sorted by the
// next 18 bytes, newest position at the root, over the ring's initial spaces and the input.
#include "pack.h"

#include <algorithm>

namespace {

const int kHashBits = 16;
const int kHashSize = 1 << kHashBits;
const int kNone = -1;
const int kSmaller = 0;
const int kLarger = 1;

// Children are kept by position modulo the ring; a slot is reused only once its position is
// out of reach, which needs the farthest distance below the ring size.
static_assert(kMaxDistance < kRingSize, "tree slots would be reused while still reachable");

struct Trees {
    int32_t root[kHashSize];
    int32_t child[kRingSize][2];
};

unsigned Hash3(const uint8_t *p)
{
    uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
    return (v * 2654435761u) >> (32 - kHashBits);
}

// Makes pos the root of its tree, splitting the old tree around it. Every node below a node is
// older, so the walk stops at the first one out of reach. The best match lies on the walk.
// Returns the longest common length (up to kMaxMatch), its distance through *distance.
int InsertAndMatch(Trees *trees, const uint8_t *ext, int32_t pos, int *distance)
{
    const uint8_t *cur = ext + pos;
    unsigned h = Hash3(cur);
    int32_t cand = trees->root[h];
    trees->root[h] = pos;
    int32_t *smaller = &trees->child[pos & (kRingSize - 1)][kSmaller];
    int32_t *larger = &trees->child[pos & (kRingSize - 1)][kLarger];
    int lenSmaller = 0, lenLarger = 0, best = 0;
    for (;;) {
        if (cand == kNone || pos - cand > kMaxDistance) {
            *smaller = *larger = kNone;
            break;
        }
        int32_t *pair = trees->child[cand & (kRingSize - 1)];
        const uint8_t *c = ext + cand;
        // Both bounds of the walk share at least this many bytes with cur, so does cand.
        int len = std::min(lenSmaller, lenLarger);
        while (len < kMaxMatch && c[len] == cur[len])
            len++;
        if (len > best) {
            best = len;
            *distance = pos - cand;
        }
        if (len == kMaxMatch) {  // same key: pos takes over cand's place
            *smaller = pair[kSmaller];
            *larger = pair[kLarger];
            break;
        }
        if (c[len] < cur[len]) {
            *smaller = cand;
            smaller = &pair[kLarger];
            cand = *smaller;
            lenSmaller = len;
        } else {
            *larger = cand;
            larger = &pair[kSmaller];
            cand = *larger;
            lenLarger = len;
        }
    }
    return best;
}

}  // namespace

int FindMatches(const uint8_t *data, size_t size, MatchTable *table)
{
    static Trees trees;
    if (size > kMaxInput)
        return 0;
    // Spaces before the input stand for the ring's initial content; bytes after it only make
    // every key kMaxMatch long, lengths are cut at the end of the input.
    std::vector<uint8_t> ext(kRingSize + size + kMaxMatch, 0);
    std::fill_n(ext.begin(), kRingSize, ' ');
    std::copy_n(data, size, ext.begin() + kRingSize);
    table->length.assign(size, 0);
    table->distance.assign(size, 0);
    std::fill(trees.root, trees.root + kHashSize, kNone);

    const int32_t end = (int32_t)(kRingSize + size);
    for (int32_t pos = 0; pos < end; pos++) {
        int distance = 0;
        int len = InsertAndMatch(&trees, ext.data(), pos, &distance);
        if (pos < kRingSize)
            continue;
        len = std::min(len, (int)(end - pos));
        if (len >= kMinMatch) {
            table->length[pos - kRingSize] = (uint8_t)len;
            table->distance[pos - kRingSize] = (uint16_t)distance;
        }
    }
    return 1;
}
