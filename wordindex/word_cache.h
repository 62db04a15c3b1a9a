// SPDX-License-Identifier: MIT
// The words an indexing run has met, by their text. Every token of every message is looked up
// here, so the table is laid out for that: open addressing over slots that carry each word's
// hash, length and first bytes, so that a look-up as a rule reads one slot and no word.
// With tens of thousands of words the slots and values outgrow the processor's caches, so a
// caller that knows its next words can ask for their slot and value to be fetched ahead
// (prefetch_slot, then prefetch_value a few words later) while it books the words before them.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qs::words {

template <class Value>
class WordCache {
public:
    // The word's value, or nullptr.
    Value* find(std::string_view word) { return find(word, hash(word)); }
    // The same, with `h` = hash(word).
    Value* find(std::string_view word, uint32_t h) {
        if (slots_.empty()) return nullptr;
        const Slot& s = slots_[locate(word, h)];
        return s.index ? &entries_[s.index - 1].value : nullptr;
    }
    // Hints only: they change nothing, whatever the table holds.
    void prefetch_slot(uint32_t h) const {
        if (!slots_.empty()) fetch_ahead(&slots_[h & (slots_.size() - 1)]);
    }
    // Best after prefetch_slot has had time to bring the slot in.
    void prefetch_value(uint32_t h) const {
        if (slots_.empty()) return;
        const Slot& s = slots_[h & (slots_.size() - 1)];
        if (s.index && s.hash == h) fetch_ahead(&entries_[s.index - 1].value);
    }
    // The word's value, made (value-initialised) when the word is new. The text and the value
    // stay where they are for the table's life.
    std::pair<const std::string*, Value*> insert(std::string_view word) {
        if ((entries_.size() + 1) * 4 > slots_.size() * 3) grow();
        const uint32_t h = hash(word);
        Slot& s = slots_[locate(word, h)];
        if (!s.index) {
            entries_.push_back({std::string(word), Value{}});
            fill(s, word, h, static_cast<uint32_t>(entries_.size()));
        }
        Entry& e = entries_[s.index - 1];
        return {&e.text, &e.value};
    }
    size_t size() const { return entries_.size(); }

    static uint32_t hash(std::string_view w) {
        uint32_t h = 2166136261u;  // FNV-1a
        for (char c : w) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
        return h;
    }

private:
    // GCC 12 drops __builtin_prefetch here once inlined into the indexer, so on x86-64 the
    // instruction is written out.
    static void fetch_ahead(const void* p) {
#if defined(__x86_64__)
        asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(p)));
#else
        __builtin_prefetch(p);
#endif
    }
    static constexpr size_t kHead = 23;
    struct Slot {
        uint32_t hash = 0;
        uint32_t index = 0;  // 1-based into entries_; 0 for an empty slot
        uint8_t len = 0;     // the word's length, 255 for any longer
        std::array<char, kHead> head{};
    };
    struct Entry {
        std::string text;
        Value value;
    };

    static void fill(Slot& s, std::string_view w, uint32_t h, uint32_t index) {
        s.hash = h;
        s.index = index;
        s.len = static_cast<uint8_t>(std::min<size_t>(w.size(), 255));
        s.head = {};
        w.copy(s.head.data(), std::min(w.size(), kHead));
    }
    bool same(const Slot& s, std::string_view w, uint32_t h) const {
        if (s.hash != h || s.len != std::min<size_t>(w.size(), 255)) return false;
        if (w.size() <= kHead) return w.compare(0, w.size(), s.head.data(), w.size()) == 0;
        return entries_[s.index - 1].text == w;
    }
    // The slot holding the word, or the empty slot where it belongs.
    size_t locate(std::string_view w, uint32_t h) const {
        const size_t mask = slots_.size() - 1;
        for (size_t i = h & mask;; i = (i + 1) & mask)
            if (!slots_[i].index || same(slots_[i], w, h)) return i;
    }
    void grow() {
        std::vector<Slot> old(std::max<size_t>(1024, slots_.size() * 2));
        old.swap(slots_);
        const size_t mask = slots_.size() - 1;
        for (const Slot& s : old) {
            if (!s.index) continue;
            size_t i = s.hash & mask;
            while (slots_[i].index) i = (i + 1) & mask;
            slots_[i] = s;
        }
    }

    std::deque<Entry> entries_;
    std::vector<Slot> slots_;  // a power of two of them, at most three quarters used
};

}  // namespace qs::words
