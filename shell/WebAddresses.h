#pragma once
// The maker's pages that the program opens in the user's browser, kept together so that a move of
// the maker's site is one edit.

#include <QLatin1StringView>

namespace WebAddresses {

inline constexpr QLatin1StringView website{"https://www.norvane.example/"};
inline constexpr QLatin1StringView onlineSupport{"https://www.norvane.example/support/trawlex/"};
inline constexpr QLatin1StringView onlineForum{"https://forum.norvane.example/trawlex/"};

} // namespace WebAddresses
