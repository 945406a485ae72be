// One open-addressing hash table for every exact-bits look-up of the compiler (planes, vertex
// positions, vertex keys), and the one mixer every hasher is built from.
//
// Keys are compared with ==; a hasher is a small object whose call operator returns a 64-bit
// hash, made with hashWords. The table keeps the first value inserted under a key (later
// insertions of an equal key find it), never removes, and grows at half load. References it
// hands out stay valid until the next insertion.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace norvane {

// A strong 64-bit finaliser: every input bit affects every output bit.
inline std::uint64_t hashMix(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

// The hash of a run of 32-bit words (the bits of floats, mostly): each word folded in with one
// multiply, the whole mixed once.
inline std::uint64_t hashWords(const std::uint32_t* words, std::size_t count) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ count;
    for (std::size_t i = 0; i < count; ++i) h = (h ^ words[i]) * 0x100000001B3ull + (h >> 41);
    return hashMix(h);
}

template <class Key, class Value, class Hasher>
class HashTable {
public:
    // A table expecting nothing takes no memory until its first insertion.
    explicit HashTable(std::size_t expected = 0) {
        if (expected > 0) reserve(expected);
    }

    // Makes room for `count` keys without growing.
    void reserve(std::size_t count) {
        std::size_t capacity = 16;
        while (capacity < 2 * count) capacity *= 2;
        if (capacity > slots_.size()) rehash(capacity);
    }

    std::size_t size() const { return size_; }

    // The value kept under the key, or null.
    const Value* find(const Key& key) const {
        if (slots_.empty()) return nullptr;
        const std::size_t at = probe(key);
        return slots_[at].used ? &slots_[at].value : nullptr;
    }
    Value* find(const Key& key) { return const_cast<Value*>(std::as_const(*this).find(key)); }

    // The value kept under the key; when the key is new it is inserted with `value` first.
    // `inserted` tells which happened.
    Value& insert(const Key& key, const Value& value, bool* inserted = nullptr) {
        if (2 * (size_ + 1) > slots_.size()) rehash(slots_.empty() ? 16 : 2 * slots_.size());
        Slot& slot = slots_[probe(key)];
        if (inserted) *inserted = !slot.used;
        if (!slot.used) {
            slot = Slot{key, value, true};
            ++size_;
        }
        return slot.value;
    }

private:
    struct Slot {
        Key key{};
        Value value{};
        bool used = false;
    };

    // The slot that holds the key, or the empty slot where it would go.
    std::size_t probe(const Key& key) const {
        assert(!slots_.empty() && "the table always has room");
        const std::size_t mask = slots_.size() - 1;
        std::size_t at = static_cast<std::size_t>(hasher_(key)) & mask;
        while (slots_[at].used && !(slots_[at].key == key)) at = (at + 1) & mask;
        return at;
    }

    void rehash(std::size_t capacity) {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(capacity, Slot{});
        for (Slot& s : old)
            if (s.used) slots_[probe(s.key)] = std::move(s);
    }

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
    Hasher hasher_;
};

// The index of each key's first occurrence in `keys`. The table holds indices tagged with the
// hash's high bits, 8 bytes a slot where a key-and-value slot takes three to four times that,
// so the look-ups of a hundred thousand keys stay within the cache; the keys themselves are
// read only when the tags agree.
template <class Key, class Hasher>
std::vector<std::uint32_t> firstOccurrences(const std::vector<Key>& keys, const Hasher& hasher = Hasher{}) {
    constexpr std::uint64_t low = 0xFFFFFFFFull;
    assert(keys.size() < low && "indices fit 32 bits");
    std::size_t capacity = 16;
    while (capacity < 2 * keys.size()) capacity *= 2;
    const std::size_t mask = capacity - 1;
    std::vector<std::uint64_t> slots(capacity, 0); // tag | (index + 1); 0 is empty
    std::vector<std::uint32_t> first(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::uint64_t h = hasher(keys[i]);
        const std::uint64_t tag = h & ~low;
        for (std::size_t at = static_cast<std::size_t>(h) & mask;; at = (at + 1) & mask) {
            const std::uint64_t slot = slots[at];
            if (slot == 0) {
                slots[at] = tag | (i + 1);
                first[i] = static_cast<std::uint32_t>(i);
                break;
            }
            const auto j = static_cast<std::uint32_t>((slot & low) - 1);
            if ((slot & ~low) == tag && keys[j] == keys[i]) {
                first[i] = j;
                break;
            }
        }
    }
    return first;
}

} // namespace norvane
