// How the sample platform reads a request's target when it is used as an
// HTTP proxy (absolute form, "GET http://host/path HTTP/1.1") or asked
// directly. Pure functions; any thread.
#pragma once

#include <httplib.h>

#include <string>

namespace ld::sample {

// A route pattern's prefix: a request may name its host in absolute form
// (proxy use); group 1 holds it then.
inline constexpr const char* kAbsolutePrefix = R"((?:[hH][tT][tT][pP]://([^/]+))?)";

// The host of "host" or "host:port", lower-cased, without the port.
std::string lowerHostOnly(std::string authority);

// The host a request is meant for: the absolute-form host, else the Host header.
std::string requestedHost(const httplib::Request& request);

// The target without an absolute-form "http://authority" in front.
std::string originTarget(const httplib::Request& request);

// Whether the name stands for this machine's loopback interface (or is empty).
bool isLoopbackName(const std::string& host);

}  // namespace ld::sample
