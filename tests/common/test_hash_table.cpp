// The one hash table and its first-occurrence pass: an empty table holds nothing and grows on
// its first insertion, the first value under a key is kept, and every key's first index agrees
// with scanning the list, even when every key hashes alike.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "common/hash_table.h"

namespace norvane {
namespace {

struct WordHasher {
    std::uint64_t operator()(std::uint32_t k) const { return hashWords(&k, 1); }
};

// Every key in one bucket with one tag: only comparing the keys tells them apart.
struct CollidingHasher {
    std::uint64_t operator()(std::uint32_t) const { return 0x1234567800000007ull; }
};

TEST(HashTable, AnEmptyTableGrowsOnItsFirstInsertionAndKeepsFirstValues) {
    HashTable<std::uint32_t, int, WordHasher> table;
    EXPECT_EQ(table.find(7), nullptr);
    for (std::uint32_t k = 0; k < 1000; ++k) table.insert(k % 300, static_cast<int>(k));
    EXPECT_EQ(table.size(), 300u);
    for (std::uint32_t k = 0; k < 300; ++k) ASSERT_EQ(*table.find(k), static_cast<int>(k));
    EXPECT_EQ(table.find(300), nullptr);
}

template <class Hasher> void expectFirstOccurrencesLikeAScan(const Hasher& hasher, std::uint32_t range) {
    std::mt19937 rng(11);
    for (int round = 0; round < 20; ++round) {
        std::vector<std::uint32_t> keys(static_cast<std::size_t>(rng() % 500));
        for (std::uint32_t& k : keys) k = rng() % range;
        const std::vector<std::uint32_t> first = firstOccurrences(keys, hasher);
        ASSERT_EQ(first.size(), keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i) {
            std::size_t j = 0;
            while (keys[j] != keys[i]) ++j;
            ASSERT_EQ(first[i], j) << "round " << round << ", key " << i;
        }
    }
}

TEST(HashTable, FirstOccurrencesAgreeWithScanningTheList) {
    expectFirstOccurrencesLikeAScan(WordHasher{}, 100);
    expectFirstOccurrencesLikeAScan(WordHasher{}, 1u << 30);
    expectFirstOccurrencesLikeAScan(CollidingHasher{}, 40);
}

} // namespace
} // namespace norvane
