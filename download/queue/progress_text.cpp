#include "download/queue/progress_text.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "text/codepage.h"
#include "text/text_ops.h"

namespace ld {
namespace {

constexpr double kMebibyte = 1048576.0;
constexpr double kGibibyte = 1073741824.0;
constexpr double kKibibyte = 1024.0;
// Tolerance of the unit switch, so a value a rounding error below 1024 still
// counts as 1024.
constexpr double kUnitSwitchTolerance = 0.0000001;

// value rounded to hundredths, half up on the magnitude, as a count of
// hundredths with the sign of value.
std::int64_t hundredthsHalfUp(double value) {
    const double magnitude = std::fabs(value) * 100.0 + 0.000000000001;
    double whole = 0.0;
    const double fraction = std::modf(magnitude, &whole);
    auto hundredths = static_cast<std::int64_t>(whole);
    if (fraction >= 0.5) {
        ++hundredths;
    }
    return value < 0 ? -hundredths : hundredths;
}

std::string twoDecimals(std::int64_t hundredths) {
    const std::int64_t magnitude = hundredths < 0 ? -hundredths : hundredths;
    std::string fraction = std::to_string(magnitude % 100);
    if (fraction.size() < 2) {
        fraction.insert(0, 1, '0');
    }
    return (hundredths < 0 ? "-" : "") + std::to_string(magnitude / 100) + "." + fraction;
}

}  // namespace

Text fileSizeText(std::int64_t bytes) {
    const double megabytes = static_cast<double>(bytes) / kMebibyte;
    const bool inGigabytes = megabytes - 1024.0 >= -kUnitSwitchTolerance;
    const double value = inGigabytes ? static_cast<double>(bytes) / kGibibyte : megabytes;
    return Text(twoDecimals(hundredthsHalfUp(value)) + (inGigabytes ? "GB" : "MB"));
}

Text speedText(std::int32_t bytesPerSecond) {
    const double kilobytes = static_cast<double>(bytesPerSecond) / kKibibyte;
    const bool inMegabytes = kilobytes - 1024.0 >= -kUnitSwitchTolerance;
    // Integer division truncates toward zero, as the line wants.
    const std::int32_t number = inMegabytes ? bytesPerSecond / 1048576 : bytesPerSecond / 1024;
    return Text(std::to_string(number) + (inMegabytes ? "MB" : "KB"));
}

Text speedLineText(std::int32_t bytesPerSecond, std::int32_t usableSources,
                   std::int32_t totalSources) {
    static const Text kLead = gbk("当前速度：");
    static const Text kSources = gbk("    可用资源数：");
    return concatTexts({kLead, speedText(bytesPerSecond), kSources,
                        Text(std::to_string(usableSources)), Text("/"),
                        Text(std::to_string(totalSources))});
}

Text progressPercentText(std::int64_t bytesDone, std::int64_t totalBytes) {
    if (totalBytes <= 0 || bytesDone < 0) {
        return Text();
    }
    if (bytesDone >= totalBytes) {
        return Text("100%");
    }
    // A double holds the quotient closely enough for a whole percent; the
    // clamp keeps 100% for the complete file alone.
    const double share = static_cast<double>(bytesDone) / static_cast<double>(totalBytes);
    const auto percent = std::min<std::int64_t>(99, static_cast<std::int64_t>(share * 100.0));
    return Text(std::to_string(percent) + "%");
}

}  // namespace ld
