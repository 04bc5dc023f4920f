// Cheapest parse (dynamic programming from the end of the input, 9 bits a literal, 17 a match)
// and the SZDD bytes for it: header, then a control byte before each group of eight items.
#include "pack.h"

namespace {

const uint8_t kMagic[8] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};
const uint8_t kModeA = 'A';
const int kGroupItems = 8;

void PutHeader(size_t size, uint8_t lastChar, std::vector<uint8_t> *out)
{
    out->assign(kMagic, kMagic + sizeof(kMagic));
    out->push_back(kModeA);
    out->push_back(lastChar);
    for (int shift = 0; shift < 32; shift += 8)
        out->push_back((uint8_t)(size >> shift));
}

// Ring slot a match source occupies when the match starts at input position pos.
unsigned SourceSlot(size_t pos, unsigned distance)
{
    return (unsigned)(kRingStart + pos - distance) & (kRingSize - 1);
}

}  // namespace

uint32_t ChooseItems(size_t size, MatchTable *table)
{
    // cost[i]: fewest bits for input[i..size); any length up to the longest uses the same source.
    std::vector<uint32_t> cost(size + 1);
    cost[size] = 0;
    for (size_t i = size; i-- > 0;) {
        uint32_t best = cost[i + 1] + kLiteralBits;
        int choice = 1;
        for (int len = kMinMatch; len <= table->length[i]; len++) {
            uint32_t bits = cost[i + len] + kMatchBits;
            if (bits < best) {
                best = bits;
                choice = len;
            }
        }
        cost[i] = best;
        table->length[i] = (uint8_t)choice;
    }
    return cost[0];
}

size_t SzddSize(uint32_t bits)
{
    return kHeaderSize + (bits + 7) / 8;
}

void WriteSzdd(const uint8_t *data, size_t size, uint8_t lastChar,
               const MatchTable &table, std::vector<uint8_t> *out)
{
    PutHeader(size, lastChar, out);
    size_t control = 0;
    int items = 0;
    for (size_t i = 0; i < size; i += table.length[i]) {
        if (items % kGroupItems == 0) {
            control = out->size();
            out->push_back(0);
        }
        if (table.length[i] == 1) {
            (*out)[control] |= (uint8_t)(1 << (items % kGroupItems));
            out->push_back(data[i]);
        } else {
            unsigned slot = SourceSlot(i, table.distance[i]);
            out->push_back((uint8_t)(slot & 0xFF));
            out->push_back((uint8_t)(((slot >> 4) & 0xF0) | (table.length[i] - kMinMatch)));
        }
        items++;
    }
}
