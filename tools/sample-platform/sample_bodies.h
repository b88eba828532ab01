// How the sample platform's bodies go out: made piece by piece by a filler
// (so a large body is never held), cut off after a number of bytes, paced to
// a number of bytes per second. Range requests are answered by the HTTP
// library from the same provider. Runs on the serving threads.
#pragma once

#include <httplib.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace ld::sample {

// Writes the body's bytes [offset, offset + out.size()) into out.
using BodyFiller = std::function<void(std::int64_t offset, std::span<char> out)>;

// A body of the given size, cut off after dropAfter bytes when that is not
// negative, and paced to bytesPerSecond when that is positive.
void serveBody(httplib::Response& response, std::int64_t size, const std::string& contentType,
               BodyFiller fill, std::int64_t dropAfter, std::int64_t bytesPerSecond = 0);

// A body held as text, cut off as serveBody cuts it.
void serveText(httplib::Response& response, std::string text, const std::string& contentType,
               std::int64_t dropAfter);

}  // namespace ld::sample
