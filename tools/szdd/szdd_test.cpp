// Unit tests of the packer against a search over every distance: the longest matches, and the
// optimum of the parse. The round trip through a real expander is roundtrip_test.sh.
#include "pack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

struct Corpus {
    const char *name;
    size_t size;
    int alphabet;     // bytes drawn from the first `alphabet` values of " ab..."; 256: any byte
    size_t period;    // 0: no repetition
    size_t zeroTail;  // zero bytes at the end, like the padding after the input
};

const Corpus kCorpus[] = {
    {"empty", 0, 2, 0, 0},       {"one", 1, 256, 0, 0},          {"two", 2, 256, 0, 0},
    {"three", 3, 1, 0, 0},       {"spaces", 4200, 1, 0, 0},      {"binary", 5000, 2, 0, 0},
    {"four", 9000, 4, 0, 0},     {"text", 7000, 12, 0, 0},       {"random", 6000, 256, 0, 0},
    {"zero_tail", 3000, 3, 0, 40}, {"short_zero_tail", 7, 256, 0, 5},
    {"period4095", 9000, 256, 4095, 0}, {"period4096", 9000, 256, 4096, 0},
};

std::vector<uint8_t> MakeInput(const Corpus &c)
{
    std::mt19937 rng((unsigned)c.size * 31 + c.alphabet);
    std::vector<uint8_t> data(c.size);
    for (size_t i = 0; i < c.size; i++) {
        int v = (int)(rng() % c.alphabet);
        data[i] = c.alphabet == 256 ? (uint8_t)v : (uint8_t)(v == 0 ? ' ' : 'a' + v - 1);
        if (c.period && i >= c.period)
            data[i] = data[i - c.period];
    }
    std::fill(data.end() - std::min(c.zeroTail, c.size), data.end(), 0);
    return data;
}

// The input after the ring's initial spaces.
std::vector<uint8_t> Extended(const std::vector<uint8_t> &data)
{
    std::vector<uint8_t> ext(kRingSize + data.size(), ' ');
    std::copy(data.begin(), data.end(), ext.begin() + kRingSize);
    return ext;
}

// Longest match at input position i over every distance, 0 when under kMinMatch.
int SearchAll(const std::vector<uint8_t> &ext, size_t i)
{
    const size_t pos = kRingSize + i;
    const int limit = (int)std::min<size_t>(kMaxMatch, ext.size() - pos);
    int best = 0;
    for (int d = 1; d <= kMaxDistance && best < limit; d++) {
        int n = 0;
        while (n < limit && ext[pos - d + n] == ext[pos + n])
            n++;
        best = std::max(best, n);
    }
    return best >= kMinMatch ? best : 0;
}

class PackTest : public ::testing::TestWithParam<Corpus> {};

TEST_P(PackTest, MatchesAreLongestAndReal)
{
    std::vector<uint8_t> data = MakeInput(GetParam());
    std::vector<uint8_t> ext = Extended(data);
    MatchTable table;
    ASSERT_EQ(1, FindMatches(data.data(), data.size(), &table));
    for (size_t i = 0; i < data.size(); i++) {
        ASSERT_EQ(SearchAll(ext, i), table.length[i]) << "at " << i;
        int d = table.distance[i];
        if (table.length[i] == 0)
            continue;
        ASSERT_TRUE(d >= 1 && d <= kMaxDistance) << "at " << i;
        for (int k = 0; k < table.length[i]; k++)
            ASSERT_EQ(ext[kRingSize + i - d + k], data[i + k]) << "at " << i;
    }
}

TEST_P(PackTest, ParseIsOptimal)
{
    std::vector<uint8_t> data = MakeInput(GetParam());
    std::vector<uint8_t> ext = Extended(data);
    std::vector<uint32_t> best(data.size() + 1, 0);
    for (size_t i = data.size(); i-- > 0;) {
        best[i] = best[i + 1] + kLiteralBits;
        int longest = SearchAll(ext, i);
        for (int len = kMinMatch; len <= longest; len++)
            best[i] = std::min(best[i], best[i + len] + kMatchBits);
    }
    MatchTable table;
    ASSERT_EQ(1, FindMatches(data.data(), data.size(), &table));
    EXPECT_EQ(best[0], ChooseItems(data.size(), &table));
}

INSTANTIATE_TEST_SUITE_P(Corpus, PackTest, ::testing::ValuesIn(kCorpus),
                         [](const ::testing::TestParamInfo<Corpus> &info) {
                             return std::string(info.param.name);
                         });

TEST(PackLimits, RefusesInputOverLimit)
{
    uint8_t byte = 0;
    MatchTable table;
    EXPECT_EQ(0, FindMatches(&byte, kMaxInput + 1, &table));
}

}  // namespace
