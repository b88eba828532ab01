// The terminal mode as a daily tool, on the loopback interface with the
// in-process sample platform (reached through http_proxy):
//  - a rerun of a finished course (141) against its first run: time and the
//    video body bytes the platform sent (goal: under 2 s, none);
//  - a course of 600 tiny videos downloaded end to end: lectures per second
//    (goal: at least 20).
// Each prints its figures and whether the goal was met; false when a run did
// not end as it should.
#pragma once

#include <filesystem>

#include "tools/sample-platform/sample_platform.h"

namespace ld::bench {

bool benchRerun(const std::filesystem::path& bin, sample::SamplePlatform& platform);
bool benchTinyLectures(const std::filesystem::path& bin, sample::SamplePlatform& platform);

}  // namespace ld::bench
