// Where the help menu, the about box and the help pages point: the maker's and the
// product's web pages, the guest book and the mail address.
#pragma once

namespace kyq {

inline constexpr char LinkMakerHome[] = "https://www.example.com/tarnwick/";
inline constexpr char LinkProductHome[] = "https://www.example.com/keyquill/";
inline constexpr char LinkGuestBook[] = "https://www.example.com/keyquill/guestbook/";
inline constexpr char LinkMail[] = "mailto:keyquill@example.com";
// What the about box shows for the mail link (the link itself is LinkMail).
inline constexpr char MailAddressText[] = "keyquill@example.com";

}  // namespace kyq
