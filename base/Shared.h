// Word-sized variables shared between the 1 ms tick thread and the UI thread.
//
// Every value the two threads exchange is read and written whole. Plain values use
// relaxed ordering; hand-over flags (RundeOffen, Fehlstart, NachlaufStatus,
// GelbTaste, ChaosTaste) use acquire/release so that everything written before the
// flag is visible to the thread that sees the flag.
#pragma once

#include <atomic>
#include <concepts>
#include <cstdint>
#include <type_traits>

namespace zk {

constexpr int16_t kTrue = -1;   // program-logic True
constexpr int16_t kFalse = 0;

// A shared flag (T = bool) is assigned bool only and read as a truth value
// (`if (flag)`, `!flag`). An int assigned to it would turn silently into true
// or false, and compared with kTrue (-1) it would be unequal whatever it
// holds: assigning or comparing an int does not compile.
template <class T, class U>
concept NonBoolForFlag = std::same_as<T, bool> && std::is_arithmetic_v<U> && !std::same_as<U, bool>;

// Relaxed shared word. Reads like a plain variable; read-modify-write operations
// are atomic so that the two threads never lose each other's updates.
template <class T>
class Shared {
public:
    Shared(T v = T{}) noexcept : v_(v) {}
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    operator T() const noexcept { return v_.load(std::memory_order_relaxed); }
    T load() const noexcept { return v_.load(std::memory_order_relaxed); }
    Shared& operator=(T v) noexcept {
        v_.store(v, std::memory_order_relaxed);
        return *this;
    }
    template <class U>
        requires NonBoolForFlag<T, U>
    Shared& operator=(U) = delete;
    template <class U>
        requires NonBoolForFlag<T, U>
    friend bool operator==(const Shared&, const U&) = delete;

    // Counting and bit operations are for numbers, not for flags.
    T operator+=(T d) noexcept
        requires(!std::same_as<T, bool>)
    {
        return static_cast<T>(v_.fetch_add(d, std::memory_order_relaxed) + d);
    }
    T operator-=(T d) noexcept
        requires(!std::same_as<T, bool>)
    {
        return static_cast<T>(v_.fetch_sub(d, std::memory_order_relaxed) - d);
    }
    T operator++() noexcept
        requires(!std::same_as<T, bool>)
    {
        return *this += T{1};
    }
    T operator--() noexcept
        requires(!std::same_as<T, bool>)
    {
        return *this -= T{1};
    }

    // Atomic bit operations for images that two threads change bit-wise (the
    // control register: the bus engine owns two bits, the UI the others).
    void SetBits(T bits) noexcept
        requires(!std::same_as<T, bool>)
    {
        v_.fetch_or(bits, std::memory_order_relaxed);
    }
    void ClearBits(T bits) noexcept
        requires(!std::same_as<T, bool>)
    {
        v_.fetch_and(static_cast<T>(~bits), std::memory_order_relaxed);
    }
    void ToggleBits(T bits) noexcept
        requires(!std::same_as<T, bool>)
    {
        v_.fetch_xor(bits, std::memory_order_relaxed);
    }

private:
    std::atomic<T> v_;
};

// Hand-over flag: stores publish (release), loads acquire.
template <class T>
class SyncFlag {
public:
    SyncFlag(T v = T{}) noexcept : v_(v) {}
    SyncFlag(const SyncFlag&) = delete;
    SyncFlag& operator=(const SyncFlag&) = delete;

    operator T() const noexcept { return v_.load(std::memory_order_acquire); }
    T load() const noexcept { return v_.load(std::memory_order_acquire); }
    SyncFlag& operator=(T v) noexcept {
        v_.store(v, std::memory_order_release);
        return *this;
    }
    template <class U>
        requires NonBoolForFlag<T, U>
    SyncFlag& operator=(U) = delete;
    template <class U>
        requires NonBoolForFlag<T, U>
    friend bool operator==(const SyncFlag&, const U&) = delete;

private:
    std::atomic<T> v_;
};

// Shared double (tick statistics). std::atomic<double> has no fetch_add in C++20
// with GCC 12's library for all targets we need, so only load/store are offered.
class SharedDouble {
public:
    SharedDouble(double v = 0.0) noexcept : v_(v) {}
    SharedDouble(const SharedDouble&) = delete;
    SharedDouble& operator=(const SharedDouble&) = delete;
    operator double() const noexcept { return v_.load(std::memory_order_relaxed); }
    SharedDouble& operator=(double v) noexcept {
        v_.store(v, std::memory_order_relaxed);
        return *this;
    }

private:
    std::atomic<double> v_;
};

// Millisecond times are signed 32-bit values that wrap. They are only ever compared
// through their difference, so timing keeps working across the wrap.
inline int32_t TimeDiff(int32_t a, int32_t b) noexcept {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t TimeAdd(int32_t t, int32_t d) noexcept {
    return static_cast<int32_t>(static_cast<uint32_t>(t) + static_cast<uint32_t>(d));
}

}  // namespace zk
