// The fixed addresses, patterns and texts of the course spine, as UTF-8
// literals; they become Text (GBK) where they are used.
#pragma once

#include "web/http_outcome.h"

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

// How a search ends without a listed lecture, and how a resolution ends when
// no play-info request got a usable answer (status label).
inline constexpr const char* kNoCourseId = "地址中没有 courseId=，请粘贴课程页面的地址";
inline constexpr const char* kNoLectures = "课程平台的回答中没有找到视频";
inline constexpr const char* kCoursePlatform = "课程平台";
inline constexpr const char* kVideoHost = "视频服务器";
// Put before the failure sentence of the video host.
inline constexpr const char* kResolutionDoneBut = "解析完成，但";

// Why a request brought no usable answer; "{}" stands for the service asked
// (kCoursePlatform or kVideoHost). An error status is followed by " (404)".
struct RequestFailureText {
    HttpOutcome outcome;
    const char* sentence;
};
inline constexpr RequestFailureText kRequestFailureTexts[] = {
    {HttpOutcome::ErrorStatus, "{}返回错误"},
    {HttpOutcome::NotSent, "无法向{}发出请求"},
    {HttpOutcome::NameNotResolved, "无法连接{}：域名无法解析"},
    {HttpOutcome::ConnectionRefused, "无法连接{}：连接被拒绝"},
    {HttpOutcome::TimedOut, "无法连接{}：连接超时"},
    {HttpOutcome::SecureChannelFailed, "无法连接{}：安全连接失败"},
    {HttpOutcome::ConnectionFailed, "无法连接{}：网络错误"},
    {HttpOutcome::TooLarge, "{}返回的数据过大"},
    {HttpOutcome::RedirectFailed, "{}的重定向无法完成"},
};

// Hand-over to the download list.
inline constexpr const char* kAddedToDownloadList = "成功加入下载列表";

}  // namespace ld::course_text
