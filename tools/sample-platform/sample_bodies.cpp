#include "tools/sample-platform/sample_bodies.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <utility>

namespace ld::sample {

void serveBody(httplib::Response& response, std::int64_t size, const std::string& contentType,
               BodyFiller fill, std::int64_t dropAfter, std::int64_t bytesPerSecond) {
    response.set_content_provider(
        static_cast<std::size_t>(size), contentType,
        [fill = std::move(fill), dropAfter, bytesPerSecond](std::size_t offset, std::size_t length,
                                                            httplib::DataSink& sink) {
            // Paced bodies go out in pieces of a tenth of a second.
            const std::size_t kChunk =
                bytesPerSecond > 0
                    ? std::clamp<std::size_t>(static_cast<std::size_t>(bytesPerSecond / 10), 1,
                                              64 * 1024)
                    : 64 * 1024;
            const auto began = std::chrono::steady_clock::now();
            std::string chunk;
            std::size_t sent = 0;
            while (sent < length) {
                if (bytesPerSecond > 0) {
                    std::this_thread::sleep_until(
                        began + std::chrono::microseconds(static_cast<std::int64_t>(sent) *
                                                          1'000'000 / bytesPerSecond));
                }
                const auto position = static_cast<std::int64_t>(offset + sent);
                std::size_t count = std::min(kChunk, length - sent);
                if (dropAfter >= 0) {
                    if (position >= dropAfter) {
                        return false;  // the library closes the connection
                    }
                    count = std::min<std::size_t>(count,
                                                  static_cast<std::size_t>(dropAfter - position));
                }
                chunk.resize(count);
                fill(position, chunk);
                if (!sink.write(chunk.data(), chunk.size())) {
                    return false;
                }
                sent += count;
            }
            return true;
        });
}

void serveText(httplib::Response& response, std::string text, const std::string& contentType,
               std::int64_t dropAfter) {
    if (dropAfter < 0) {
        response.set_content(text, contentType);
        return;
    }
    auto shared = std::make_shared<const std::string>(std::move(text));
    const auto size = static_cast<std::int64_t>(shared->size());
    serveBody(
        response, size, contentType,
        [shared](std::int64_t offset, std::span<char> out) {
            std::copy_n(shared->data() + offset, out.size(), out.data());
        },
        dropAfter);
}

}  // namespace ld::sample
