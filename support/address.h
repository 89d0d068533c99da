#pragma once
// Addresses typed into the address box or written in a configuration, resolved as a
// browser's address bar does before the engine is asked to load them.
#include <string>
#include <string_view>

namespace wb {

// Whether an address (UTF-8) starts with a scheme, as ParseAddress reads it: after blanks, a
// letter followed by letters, digits, "+", "-" or "." and then ":". What follows "host:" as
// digits up to the end, "/", "?" or "#" is a port, so "localhost:8080" has no scheme.
bool HasScheme(std::string_view address);

// The file URI of an absolute path (UTF-8 or any bytes): "." and ".." components resolved by
// their names alone (symbolic links are not followed), repeated "/" merged except for exactly
// two at the start, a trailing "/" dropped; then every byte outside letters, digits and
// !$&'()*+,-./:=@_~ written as "%XX" in upper-case hexadecimal.
std::string FileUri(const std::string& absolutePath);

// Resolves a partial address. An address with a scheme ("http:", "file:", "about:",
// "mailto:" ...) is returned unchanged. Without a scheme, an existing file path (absolute, or
// relative to the working directory) becomes its file URI, and anything else gets "http://".
// Leading and trailing ASCII blanks are ignored; an address of blanks only resolves to empty
// text.
std::string ResolveAddress(const std::string& address);

}  // namespace wb
