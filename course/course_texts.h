// The fixed addresses, patterns and texts of the course spine, as UTF-8
// literals; they become Text (GBK) where they are used.
#pragma once

namespace ld::course_text {

// Catalogue fetch.
inline constexpr const char* kCourseIdMarker = "courseId=";
inline constexpr const char* kCataloguePath = "/course/getCourseNested/";
inline constexpr const char* kCataloguePattern =
    R"re(ccVideoLink": "(.*?)"[\w\W]*?pcLow[\w\W]*?pcHigh[\w\W]*?name": "(.*?)",)re";
inline constexpr const char* kParsing = "解析中，请稍后";
inline constexpr const char* kResolving = "下载地址解析中。。。";

// Play-address resolution.
inline constexpr const char* kPlayInfoPath = "/servlet/playinfo";
inline constexpr const char* kPlayInfoTail = "&pt=2&pm=spark&ci=&isp=-1&m=1&pp=false&d=";
inline constexpr const char* kPlayerVersionTail = "&fv=WIN%2022%2C0%2C0%2C192&version=201402";
inline constexpr const char* kPlayInfoPattern =
    R"re(value="1753" desp="超清 1.75x"><copy domain=.*?playurl="(.*?)"/><copy domain)re";
inline constexpr const char* kKeyEntity = "&amp;key=";
inline constexpr const char* kKeyParameter = "&key=";
inline constexpr const char* kResolutionFailed = "解析失败";
inline constexpr const char* kResolutionDone = "解析完成";

// Hand-over to the download list.
inline constexpr const char* kAddedToDownloadList = "成功加入下载列表";

}  // namespace ld::course_text
