#include "tools/sample-platform/sample_answers.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform_constants.h"

namespace ld::sample {
namespace {

std::string hex16(std::uint64_t value) {
    std::array<char, 17> digits{};
    std::snprintf(digits.data(), digits.size(), "%016llx", static_cast<unsigned long long>(value));
    return std::string(digits.data(), 16);
}

std::uint64_t hashOf(std::string_view text, std::uint64_t salt) {
    std::uint64_t h = 0xCBF29CE484222325ULL ^ salt;
    for (const char c : text) {
        h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
    }
    return h;
}

// A stable stand-in for the "t" time stamp of the real addresses.
std::string timeStamp(std::string_view videoId) {
    return std::to_string(1500000000 + hashOf(videoId, 7) % 100000000);
}

std::string qualityEntry(std::string_view value, std::string_view description,
                         const std::string& mainUrl, const std::string& spareUrl) {
    return std::string("<quality value=\"") + std::string(value) + "\" desp=\"" +
           std::string(description) + "\"><copy domain=\"main\" playurl=\"" + mainUrl +
           "\"/><copy domain=\"spare\" playurl=\"" + spareUrl + "\"/></quality>";
}

std::string lowQualityUrl(const SampleLecture& lecture, std::string_view authority,
                          std::string_view quality) {
    return "http://" + std::string(authority) + videoPath(lecture.videoId) +
           "?t=" + timeStamp(lecture.videoId) + "&amp;q=" + std::string(quality) +
           "&amp;key=" + hex16(hashOf(lecture.videoId, 99));
}

}  // namespace

std::string noteText(std::size_t bytes) {
    static constexpr std::string_view kSentence =
        "本讲的内容提要、习题与参考资料 (notes, exercises and further reading) 第二版；";
    std::string notes;
    notes.reserve(bytes);
    while (notes.size() + kSentence.size() <= bytes) {
        notes += kSentence;
    }
    // The rest in ASCII, so no character is cut.
    notes.append(bytes - notes.size(), '.');
    return notes;
}

std::string catalogueJson(const SampleCourse& course, std::size_t notesBytes) {
    const std::string notes =
        notesBytes > 0 ? noteText(notesBytes / std::max<std::size_t>(course.lectures.size(), 1))
                       : std::string();
    std::string json;
    json.reserve(300 + course.lectures.size() * (420 + notes.size()));
    json += "{\n  \"code\": 200,\n  \"msg\": \"success\",\n  \"data\": {\n";
    json += "    \"id\": " + course.id + ",\n";
    json += "    \"name\": \"" + course.name + "\",\n";
    json += "    \"chapters\": [\n";
    // Ten lectures to a chapter, as the platform groups them.
    constexpr std::size_t kPerChapter = 10;
    const std::size_t chapters = (course.lectures.size() + kPerChapter - 1) / kPerChapter;
    for (std::size_t chapter = 0; chapter < chapters; ++chapter) {
        json += "      {\n";
        json += "        \"id\": " + std::to_string(chapter + 1) + ",\n";
        json += "        \"name\": \"第" + std::to_string(chapter + 1) + "章\",\n";
        json += "        \"lessons\": [\n";
        const std::size_t first = chapter * kPerChapter;
        const std::size_t end = std::min(first + kPerChapter, course.lectures.size());
        for (std::size_t index = first; index < end; ++index) {
            const SampleLecture& lecture = course.lectures[index];
            json += "          {\n";
            json += "            \"id\": " + std::to_string(10000 + index) + ",\n";
            json += "            \"ccVideoLink\": \"" + lecture.videoId + "\",\n";
            json += "            \"pcLow\": \"" + hex16(hashOf(lecture.videoId, 1)) + "\",\n";
            json += "            \"pcHigh\": \"" + hex16(hashOf(lecture.videoId, 2)) + "\",\n";
            json += "            \"name\": \"" + lecture.title + "\",\n";
            json += "            \"sort\": " + std::to_string(index + 1);
            json += notes.empty() ? "\n" : ",\n            \"notes\": \"" + notes + "\"\n";
            json += index + 1 < end ? "          },\n" : "          }\n";
        }
        json += "        ]\n";
        json += chapter + 1 < chapters ? "      },\n" : "      }\n";
    }
    json += "    ]\n  }\n}\n";
    return json;
}

std::string courseNotFoundJson() {
    return "{\n  \"code\": 404,\n  \"msg\": \"course not found\",\n  \"data\": null\n}\n";
}

std::string playInfoXml(const SampleLecture& lecture, std::string_view videoAuthority) {
    return playInfoXml(lecture, videoAuthority, videoKey(lecture.videoId));
}

std::string playInfoXml(const SampleLecture& lecture, std::string_view videoAuthority,
                        std::string_view key, std::size_t paddingBytes) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><response><result>1</result>";
    xml += "<video><vid>" + lecture.videoId + "</vid><duration>" +
           std::to_string(600 + lecture.videoSize % 3000) + "</duration><defaultquality>10" +
           "</defaultquality>";
    xml += qualityEntry("10", "清晰", lowQualityUrl(lecture, videoAuthority, "10"),
                        lowQualityUrl(lecture, videoAuthority, "10") + "&amp;spare=1");
    xml += qualityEntry("20", "高清", lowQualityUrl(lecture, videoAuthority, "20"),
                        lowQualityUrl(lecture, videoAuthority, "20") + "&amp;spare=1");
    if (lecture.resolvable) {
        xml += qualityEntry("1753", "超清 1.75x", playUrlAsServed(lecture, videoAuthority, key),
                            playUrlAsServed(lecture, videoAuthority, key) + "&amp;spare=1");
    }
    if (paddingBytes > 0) {
        xml += "<notes>" + noteText(paddingBytes) + "</notes>";
    }
    xml += "</video></response>";
    return xml;
}

std::string playInfoErrorXml(std::string_view reason) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><response><result>0</result><errormsg>" +
           std::string(reason) + "</errormsg></response>";
}

std::string playUrlAsServed(const SampleLecture& lecture, std::string_view videoAuthority) {
    return playUrlAsServed(lecture, videoAuthority, videoKey(lecture.videoId));
}

std::string playUrlAsServed(const SampleLecture& lecture, std::string_view videoAuthority,
                            std::string_view key) {
    return "http://" + std::string(videoAuthority) + videoPath(lecture.videoId) +
           "?t=" + timeStamp(lecture.videoId) + "&amp;key=" + std::string(key) +
           "&amp;tpl=10&amp;tpt=112";
}

std::string playUrlResolved(const SampleLecture& lecture, std::string_view videoAuthority) {
    return "http://" + std::string(videoAuthority) + videoPath(lecture.videoId) +
           "?t=" + timeStamp(lecture.videoId) + "&key=" + videoKey(lecture.videoId) +
           "&amp;tpl=10&amp;tpt=112";
}

std::string videoKey(std::string_view videoId) {
    return rotatedVideoKey(videoId, 0);
}

std::string rotatedVideoKey(std::string_view videoId, std::uint64_t round) {
    return hex16(hashOf(videoId, 42 + round));
}

std::string videoPath(std::string_view videoId) {
    return "/flvs/" + std::string(videoId) + ".flv";
}

std::string playInfoTarget(std::string_view videoId) {
    return std::string("/servlet/playinfo?uid=") + platform::kPlayInfoUid +
           "&vid=" + std::string(videoId) + "&lid=&pid=" + platform::kPlayInfoPid +
           "&pt=2&pm=spark&ci=&isp=-1&m=1&pp=false&d=" + platform::kPlayInfoDomain +
           "&fv=WIN%2022%2C0%2C0%2C192&version=201402";
}

}  // namespace ld::sample
