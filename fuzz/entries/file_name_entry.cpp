// The file names downloads are saved under, made from titles the server sends:
// whatever the title, the name is one plain file inside the download folder.
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "download/queue/safe_file_name.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/fuzz_input.h"
#include "text/codepage.h"

namespace ld::fuzz {

namespace {

std::string upperAscii(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

bool isDeviceName(std::string_view stem) {
    std::string head = upperAscii(stem.substr(0, stem.find('.')));
    while (!head.empty() && head.back() == ' ') {
        head.pop_back();
    }
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (head == device) {
            return true;
        }
    }
    return head.size() == 4 && (head.starts_with("COM") || head.starts_with("LPT")) &&
           head[3] >= '1' && head[3] <= '9';
}

void checkPlainName(std::string_view utf8) {
    LD_FUZZ_CHECK(!utf8.empty());
    LD_FUZZ_CHECK(utf8 != "." && utf8 != "..");
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        LD_FUZZ_CHECK(byte >= 0x20 && byte != 0x7F);
        LD_FUZZ_CHECK(std::string_view("\\/:*?\"<>|").find(c) == std::string_view::npos);
    }
}

}  // namespace

void fuzzFileName(Bytes input) {
    const Text title(std::string(reinterpret_cast<const char*>(input.data()), input.size()));
    const Text stem = safeFileStem(title);
    const Text name = downloadFileName(title);
    LD_FUZZ_CHECK(name.bytes() == stem.bytes() + ".flv");

    const std::string stemUtf8 = gbkToUtf8(stem);
    checkPlainName(stemUtf8);
    LD_FUZZ_CHECK(stemUtf8.back() != '.' && stemUtf8.back() != ' ');
    LD_FUZZ_CHECK(!isDeviceName(stemUtf8));

    const std::string nameUtf8 = gbkToUtf8(name);
    checkPlainName(nameUtf8);
    LD_FUZZ_CHECK(nameUtf8.size() <= static_cast<std::size_t>(kMaxFileNameUtf8Bytes));
    LD_FUZZ_CHECK(gbkToUtf16(name).length() / 2 <= kMaxFileNameUtf16Units);

    // A safe name is left as it is.
    LD_FUZZ_CHECK(safeFileStem(stem) == stem);
}

}  // namespace ld::fuzz
