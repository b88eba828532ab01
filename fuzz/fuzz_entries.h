// The fuzz entries: each takes the fuzzer's bytes, drives one part of the
// program with them and checks the rules that must hold for any input.
#pragma once

#include <cstdint>
#include <span>

namespace ld::fuzz {

using Bytes = std::span<const std::uint8_t>;

void fuzzTextOps(Bytes input);           // Text and ByteSet operations (ld_text)
void fuzzCodepage(Bytes input);          // UTF-8 / UTF-16 / GBK conversions (ld_text)
void fuzzRegex(Bytes input);             // RegexObject with the program's patterns (ld_web)
void fuzzHttpHeaders(Bytes input);       // header block, cookie merge, address split (ld_web)
void fuzzNamedFieldRecord(Bytes input);  // NamedFieldRecord operation sequences (ld_download)
void fuzzFileName(Bytes input);          // file names of downloads (ld_download_queue)
void fuzzCreateRecord(Bytes input);      // the engine reading a TaskCreateRecord (ld_engine_core)

}  // namespace ld::fuzz
