// SZDD packer internals: longest matches over the ring, cheapest parse, container bytes.
// The ring is modelled as 4096 spaces placed before the input, so a source is a distance back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

const int kRingSize = 4096;
const int kRingStart = kRingSize - 16;  // write position before the first byte
const int kMinMatch = 3;
const int kMaxMatch = 18;
// Distance 4096 (source slot == write slot) decodes in msexpand and Wine alike, but older
// expanders may read it differently; left out, it costs nothing measurable.
const int kMaxDistance = kRingSize - 1;
const int kLiteralBits = 9;
const int kMatchBits = 17;
const size_t kHeaderSize = 14;
// Keeps the bit total of a parse within 32 bits (17 bits per byte at worst).
const size_t kMaxInput = 128u << 20;

// Per input position: longest match length (0 when under kMinMatch) and its distance.
// After ChooseItems, length holds the chosen item instead (1 for a literal).
struct MatchTable {
    std::vector<uint8_t> length;
    std::vector<uint16_t> distance;
};

// Fills the table for data[0..size); 0 when size is over kMaxInput.
int FindMatches(const uint8_t *data, size_t size, MatchTable *table);

// Cheapest literal/match sequence from the end of the input; returns its total bits.
uint32_t ChooseItems(size_t size, MatchTable *table);

// Bytes of the whole file for a parse of that many bits.
size_t SzddSize(uint32_t bits);

// Header and item stream for a table that went through ChooseItems.
void WriteSzdd(const uint8_t *data, size_t size, uint8_t lastChar,
               const MatchTable &table, std::vector<uint8_t> *out);
