#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>

namespace picura {

// The four letters that step through a batch folder: A and S go forward, D and F go back.
enum class NavigationKey { A, S, D, F };

inline constexpr std::array<NavigationKey, 4> kAllNavigationKeys = {NavigationKey::A, NavigationKey::S,
                                                                    NavigationKey::D, NavigationKey::F};

inline constexpr bool IsNextKey(NavigationKey key) {
    return key == NavigationKey::A || key == NavigationKey::S;
}

// A small set of navigation keys.
class NavigationKeySet {
  public:
    constexpr NavigationKeySet() = default;
    constexpr NavigationKeySet(std::initializer_list<NavigationKey> keys) {
        for (NavigationKey key : keys) {
            Insert(key);
        }
    }
    static constexpr NavigationKeySet All() {
        return {NavigationKey::A, NavigationKey::S, NavigationKey::D, NavigationKey::F};
    }

    constexpr bool Contains(NavigationKey key) const { return (bits_ & Bit(key)) != 0; }
    constexpr void Insert(NavigationKey key) { bits_ |= Bit(key); }
    constexpr void Remove(NavigationKey key) { bits_ &= ~Bit(key); }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr NavigationKeySet Union(NavigationKeySet other) const { return FromBits(bits_ | other.bits_); }
    constexpr NavigationKeySet Minus(NavigationKeySet other) const { return FromBits(bits_ & ~other.bits_); }
    constexpr bool operator==(const NavigationKeySet&) const = default;

  private:
    static constexpr std::uint8_t Bit(NavigationKey key) { return std::uint8_t(1u << static_cast<int>(key)); }
    static constexpr NavigationKeySet FromBits(unsigned bits) {
        NavigationKeySet set;
        set.bits_ = std::uint8_t(bits & 0x0Fu);
        return set;
    }
    std::uint8_t bits_ = 0;
};

// Takes plain presses of A, S, D and F (no modifier; Caps Lock and Num Lock do not matter) away from
// whatever would normally receive them and hands them to the program. Implementations differ in reach:
// the whole desktop, or only while one of our windows has the focus.
class GlobalKeyGrabber {
  public:
    using PressHandler = std::function<void(NavigationKey)>;

    virtual ~GlobalKeyGrabber() = default;

    // Takes `keys` and calls `onPress` on the user-interface thread for each press of one of them.
    // Returns the keys actually taken; a key another program owns is left out. Grabbing again first
    // releases what the previous call took.
    virtual NavigationKeySet Grab(NavigationKeySet keys, PressHandler onPress) = 0;

    // Gives back exactly what Grab took; does nothing when nothing is held. Safe to call from inside
    // the press handler.
    virtual void Release() = 0;
};

}  // namespace picura
