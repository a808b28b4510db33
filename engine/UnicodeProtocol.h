// File names handed to the libraries. Names here are UTF-8 bytes, which the libraries take as
// they are; what remains is keeping protocol names apart from local files and the length limit.
#pragma once

#include <string>

constexpr size_t kMaxLibFileName = 2047;

// The name to give the library: protocol addresses ("http:", "rtp:", "udp:", ...) unchanged,
// a "unicode:utf8:" name decoded to the plain name, a local name whose first part contains a
// colon prefixed with "file:" so it is not taken for a protocol. Throws FFmpegException for
// names longer than 2047 bytes.
std::string ToLibFileName(const std::string& name);

// A name stored in a library context back to the user's name: "unicode:utf8:" and "file:"
// prefixes removed.
std::string FromLibFileName(const std::string& name);
