// Names of at most 8 characters, as lumps, textures and sprites are named, to values. The name
// packed into 64 bits is the key of an open-addressing table: one allocation however many names,
// and a stored 8-byte name is looked up without first being made into a string.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

template <typename Value>
class NameIndex {
  public:
    // The key of a name, false when it cannot be a stored name (longer than 8 characters, or
    // holding a NUL, which ends a stored name).
    static bool keyOf(std::string_view name, uint64_t& key) {
        if (name.size() > 8 || name.find('\0') != std::string_view::npos) {
            return false;
        }
        key = 0;
        std::memcpy(&key, name.data(), name.size());
        return true;
    }
    // The key of a stored name: 8 bytes, NUL-padded, unterminated when 8 long.
    static uint64_t keyOfStored(const char* stored) {
        const void* nul = std::memchr(stored, 0, 8);
        const size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - stored) : 8;
        uint64_t key = 0;
        std::memcpy(&key, stored, length);
        return key;
    }

    size_t size() const { return count; }
    void clear() {
        slots.assign(slots.size(), Slot{});
        count = 0;
    }
    void reserve(size_t names) {
        if (2 * names > slots.size()) {
            grow(names);
        }
    }

    // The value of a key, added (value-initialised) if absent.
    Value& at(uint64_t key) {
        reserve(count + 1);
        Slot& slot = slotOf(key);
        if (!slot.used) {
            slot = Slot{key, Value{}, true};
            ++count;
        }
        return slot.value;
    }

    // The value of a name, or null.
    const Value* find(std::string_view name) const {
        uint64_t key = 0;
        return keyOf(name, key) ? findKey(key) : nullptr;
    }
    const Value* findStored(const char* stored) const { return findKey(keyOfStored(stored)); }
    const Value* findKey(uint64_t key) const {
        if (slots.empty()) {
            return nullptr;
        }
        const Slot& slot = slots[slotIndex(key)];
        return slot.used ? &slot.value : nullptr;
    }

    // Calls f(name, value) for every name, in no particular order.
    template <typename F>
    void forEach(F&& f) const {
        for (const Slot& slot : slots) {
            if (slot.used) {
                char stored[8];
                std::memcpy(stored, &slot.key, sizeof stored);
                const void* nul = std::memchr(stored, 0, 8);
                f(std::string(stored, nul ? static_cast<const char*>(nul) - stored : 8),
                  slot.value);
            }
        }
    }

  private:
    struct Slot {
        uint64_t key = 0;
        Value value{};
        bool used = false;
    };

    // The slot that holds the key, or the free one where it would go. The table is never more
    // than half full, so a free slot is always found.
    size_t slotIndex(uint64_t key) const {
        const size_t mask = slots.size() - 1;
        size_t at = static_cast<size_t>((key * 0x9E3779B97F4A7C15u) >> 32) & mask;
        while (slots[at].used && slots[at].key != key) {
            at = (at + 1) & mask;
        }
        return at;
    }
    Slot& slotOf(uint64_t key) { return slots[slotIndex(key)]; }

    void grow(size_t names) {
        size_t capacity = 16;
        while (capacity < 2 * names) {
            capacity *= 2;
        }
        std::vector<Slot> old(capacity);
        old.swap(slots);
        for (Slot& slot : old) {
            if (slot.used) {
                slotOf(slot.key) = std::move(slot);
            }
        }
    }

    std::vector<Slot> slots;
    size_t count = 0;
};

}  // namespace brindle
