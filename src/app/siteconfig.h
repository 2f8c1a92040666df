// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/// @short The maker's addresses, in one place: the tool bar's three pages and
/// the webmaster's mail address.
namespace tv::site {

inline constexpr char kHomeUrl[] = "https://tipvault.example.org/";
inline constexpr char kNewsUrl[] = "https://tipvault.example.org/news/";
inline constexpr char kLinksUrl[] = "https://tipvault.example.org/links/";
inline constexpr char kWebmasterMail[] = "mailto:webmaster@tipvault.example.org";

} // namespace tv::site
