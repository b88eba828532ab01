// The bodies the sample platform answers with, laid out as the real services
// lay them out: the nested catalogue as pretty-printed JSON (one key per
// line), the play-info answer as one line of XML.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tools/sample-platform/sample_courses.h"

namespace ld::sample {

// GET /course/getCourseNested/<id> for a known course. With notesBytes, the
// lectures carry about that many bytes of notes in all (Chinese and ASCII
// text between one lecture's name and the next lecture), as a catalogue of
// a long course with rich descriptions would.
std::string catalogueJson(const SampleCourse& course, std::size_t notesBytes = 0);
// The same path for an unknown course.
std::string courseNotFoundJson();

// GET /servlet/playinfo for a known lecture. The play addresses name
// videoAuthority (a host, optionally with ":port"), carry "&amp;" entities and
// the access key `key` (the lecture's own videoKey unless told otherwise).
std::string playInfoXml(const SampleLecture& lecture, std::string_view videoAuthority);
std::string playInfoXml(const SampleLecture& lecture, std::string_view videoAuthority,
                        std::string_view key, std::size_t paddingBytes = 0);

// `bytes` bytes of notes: Chinese and ASCII text without quotes, backslashes
// or line breaks, cut at a character boundary (so perhaps a byte or two short).
std::string noteText(std::size_t bytes);
// The answer to an unknown video or a malformed query.
std::string playInfoErrorXml(std::string_view reason);

// The "超清 1.75x" play address as the answer writes it (entities kept).
std::string playUrlAsServed(const SampleLecture& lecture, std::string_view videoAuthority);
std::string playUrlAsServed(const SampleLecture& lecture, std::string_view videoAuthority,
                            std::string_view key);
// The same address with "&amp;key=" turned into "&key=" and nothing else decoded:
// what a client that picked it correctly ends up with.
std::string playUrlResolved(const SampleLecture& lecture, std::string_view videoAuthority);

// The access key that a video request must carry as its "key" query value.
std::string videoKey(std::string_view videoId);
// Another key for the same video, one per round (round 0 is videoKey), as a
// service hands out a new key with every answer.
std::string rotatedVideoKey(std::string_view videoId, std::uint64_t round);
// The path of the video file (no query).
std::string videoPath(std::string_view videoId);

// The exact request target (path and query) a client builds for a video
// identifier with the given play-info constants.
std::string playInfoTarget(std::string_view videoId);

}  // namespace ld::sample
