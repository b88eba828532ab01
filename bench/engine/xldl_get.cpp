// xldl-get <url> <folder> [file name]
// Downloads one address through the engine library into a folder and prints how long it
// took. Exit code 0 when the file is complete, 1 when the task failed, 2 on bad usage.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "tests/engine/create_record_image.h"
#include "xldl/xldl.h"

namespace {

std::string nameFromUrl(const std::string& url) {
    std::string path = url.substr(0, url.find_first_of("?#"));
    const auto slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.empty() ? "download" : name;
}

}  // namespace

int main(int argc, char** argv) {
    using ld::engine::testing::toUtf16;
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s <url> <folder> [file name]\n", argv[0]);
        return 2;
    }
    const std::string url = argv[1];
    ld::engine::testing::CreateRecordFields fields;
    fields.url = toUtf16(url);
    fields.folder = toUtf16(std::string(argv[2]) + "/");
    fields.fileName = toUtf16(argc == 4 ? argv[3] : nameFromUrl(url));
    fields.noRenaming = true;
    fields.resume = true;
    const std::vector<unsigned char> record = ld::engine::testing::buildCreateRecord(fields);

    if (XL_Init() == 0) {
        std::fprintf(stderr, "engine could not start\n");
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    const XL_TaskHandle handle = XL_CreateTask(record.data());
    XL_StartTask(handle);
    ld::engine::testing::InfoRecordView info;
    while (true) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (XL_QueryTaskInfoEx(handle, info.data()) == 0) {
            continue;
        }
        if (info.state() == XLDL_STATE_FINISHED || info.state() == XLDL_STATE_FAILED) {
            break;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    XL_UnInit();
    if (info.state() == XLDL_STATE_FAILED) {
        std::fprintf(stderr, "failed with code %d after %.2f s\n", info.failureCode(), seconds);
        return 1;
    }
    const double megabytes = static_cast<double>(info.totalBytes()) / (1024.0 * 1024.0);
    std::printf("%lld bytes in %.3f s (%.1f MiB/s)\n", static_cast<long long>(info.totalBytes()),
                seconds, seconds > 0 ? megabytes / seconds : 0.0);
    return 0;
}
