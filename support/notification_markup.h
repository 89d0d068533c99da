#pragma once
// Text for the desktop's notification service, whose body text may hold a small markup (a
// subset of HTML: <b>, <i>, <u>, <a href>, <img> and the XML entities).
#include <string>
#include <string_view>

namespace wb {

// `text` as the markup shows it literally: "&", "<" and ">" as "&amp;", "&lt;" and "&gt;",
// everything else as it is. A page's notification body goes through it, so that a link, a
// picture or an entity the page wrote is shown as the characters it typed.
std::string EscapeNotificationMarkup(std::string_view text);

}  // namespace wb
