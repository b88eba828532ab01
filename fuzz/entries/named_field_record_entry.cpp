// NamedFieldRecord driven by arbitrary sequences of create, addField,
// writeField, readField, findField, release and the typed accessors, checked
// after every step against a plain model of the block's bytes.
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "download/named_field_record.h"
#include "download/typed_fields.h"
#include "download/utf16_bytes.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/fuzz_input.h"

namespace ld::fuzz {

namespace {

struct ModelField {
    std::uint32_t checksum;
    int offset;
    int size;
};

// What the record must look like: its fields and every byte up to recordSize.
struct Model {
    bool defined = false;
    int alignment = 1;
    std::uint8_t fill = 0xCC;
    std::vector<ModelField> fields;
    std::vector<std::uint8_t> image;

    [[nodiscard]] std::optional<std::size_t> find(const Text& name) const {
        const std::uint32_t sum = nameChecksum(name);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (fields[i].checksum == sum) {
                return i;
            }
        }
        return std::nullopt;
    }
};

// A few short names, so the same name comes back often.
Text nameFrom(FuzzInput& in) {
    static const char* const kNames[] = {"", "a", "b", "URL", "文件名", "当前状态", "reserved"};
    const std::uint8_t pick = in.byte();
    if (pick < 224) {
        return Text(kNames[pick % std::size(kNames)]);
    }
    return Text(in.piece());
}

ByteSet valueFrom(FuzzInput& in) {
    return ByteSet::fromString(in.piece());
}

void checkAgainst(const NamedFieldRecord& record, const Model& model) {
    if (!model.defined) {
        LD_FUZZ_CHECK(record.recordAddress() == nullptr);
        LD_FUZZ_CHECK(record.recordSize() == 0);
        return;
    }
    LD_FUZZ_CHECK(record.recordAddress() != nullptr);
    LD_FUZZ_CHECK(record.recordSize() == static_cast<int>(model.image.size()));
    LD_FUZZ_CHECK(record.recordSize() <= record.capacity());
    LD_FUZZ_CHECK(record.fields().size() == model.fields.size());
    const std::uint8_t* block = record.recordAddress();
    LD_FUZZ_CHECK(model.image.empty() ||
                  std::memcmp(block, model.image.data(), model.image.size()) == 0);
    // Nothing beyond the last field has been written.
    LD_FUZZ_CHECK(std::all_of(block + record.recordSize(), block + record.capacity(),
                              [](std::uint8_t b) { return b == 0; }));
    for (std::size_t i = 0; i < model.fields.size(); ++i) {
        LD_FUZZ_CHECK(record.fields()[i].offset == model.fields[i].offset);
        LD_FUZZ_CHECK(record.fields()[i].size == model.fields[i].size);
    }
}

void stepCreate(FuzzInput& in, NamedFieldRecord& record, Model& model) {
    const int alignment = in.position(8);
    const std::uint8_t fill = in.byte();
    const int capacity = (static_cast<int>(in.byte()) << 4) - 64;
    const int growth = in.position(300);
    const bool made = record.create(alignment, fill, capacity, growth) != nullptr;
    LD_FUZZ_CHECK(made == (capacity >= 0));
    model = Model{};
    model.defined = made;
    model.alignment = std::max(alignment, 1);
    model.fill = fill;
}

void stepAdd(FuzzInput& in, NamedFieldRecord& record, Model& model) {
    const Text name = nameFrom(in);
    const int size = in.position(600);
    const ByteSet value = valueFrom(in);
    const bool added = record.addField(name, size, value);
    const bool expected = model.defined && size >= 0 && !model.find(name);
    LD_FUZZ_CHECK(added == expected);
    if (!added) {
        return;
    }
    const int offset = static_cast<int>(model.image.size());
    model.fields.push_back({nameChecksum(name), offset, size});
    model.image.resize(model.image.size() + static_cast<std::size_t>(size), 0);
    std::copy_n(value.data(), std::min(value.length(), size), model.image.begin() + offset);
    const int gap = size % model.alignment == 0 ? 0 : model.alignment - size % model.alignment;
    model.image.insert(model.image.end(), static_cast<std::size_t>(gap), model.fill);
}

void stepWrite(FuzzInput& in, NamedFieldRecord& record, Model& model) {
    const Text name = nameFrom(in);
    const ByteSet value = valueFrom(in);
    const auto at = model.find(name);
    LD_FUZZ_CHECK(record.writeField(name, value) == at.has_value());
    if (at) {
        const ModelField& field = model.fields[*at];
        std::copy_n(value.data(), std::min(value.length(), field.size),
                    model.image.begin() + field.offset);
    }
}

void stepRead(FuzzInput& in, const NamedFieldRecord& record, const Model& model) {
    const Text name = nameFrom(in);
    const auto at = model.find(name);
    const ByteSet read = record.readField(name);
    LD_FUZZ_CHECK(record.findField(name) == (at ? static_cast<int>(*at) + 1 : 0));
    LD_FUZZ_CHECK(record.fieldSize(name) == (at ? model.fields[*at].size : 0));
    if (!at) {
        LD_FUZZ_CHECK(read.empty());
        return;
    }
    const ModelField& field = model.fields[*at];
    LD_FUZZ_CHECK(read.length() == field.size);
    LD_FUZZ_CHECK(
        std::equal(read.bytes().begin(), read.bytes().end(), model.image.begin() + field.offset));
}

// The typed layer: a value written and read back is the same, as far as the
// field holds it.
void stepTyped(FuzzInput& in, NamedFieldRecord& record, Model& model) {
    const Text name = nameFrom(in);
    const std::int32_t value = in.int32();
    const auto at = model.find(name);
    const int size = at ? model.fields[*at].size : 0;
    switch (in.byte() % 4) {
        case 0:
            LD_FUZZ_CHECK(writeInt32(record, name, value) == at.has_value());
            LD_FUZZ_CHECK(readInt32(record, name) == (size >= 4 ? value : 0));
            break;
        case 1:
            LD_FUZZ_CHECK(writeInt64(record, name, value) == at.has_value());
            LD_FUZZ_CHECK(readInt64(record, name) == (size >= 8 ? value : 0));
            break;
        case 2:
            LD_FUZZ_CHECK(writeBoolean(record, name, value != 0) == at.has_value());
            if (size >= 1) {
                LD_FUZZ_CHECK(readBoolean(record, name) || value == 0);
            }
            break;
        default: {
            const Text text(in.piece());
            LD_FUZZ_CHECK(writeText(record, name, text) == at.has_value());
            const Text back = readText(record, name);
            LD_FUZZ_CHECK(!holdsZeroByte(back.view()));
            (void)utf16BytesToAnsi(ansiToUtf16Bytes(text));
            break;
        }
    }
    // Bring the model up to date with whatever the typed write put there.
    if (at) {
        const ByteSet now = record.readField(name);
        std::copy(now.bytes().begin(), now.bytes().end(),
                  model.image.begin() + model.fields[*at].offset);
    }
}

}  // namespace

void fuzzNamedFieldRecord(Bytes input) {
    FuzzInput in(input);
    NamedFieldRecord record;
    Model model;
    for (int step = 0; step < 64 && !in.empty(); ++step) {
        switch (in.byte() % 7) {
            case 0:
                stepCreate(in, record, model);
                break;
            case 1:
            case 2:
                stepAdd(in, record, model);
                break;
            case 3:
                stepWrite(in, record, model);
                break;
            case 4:
                stepRead(in, record, model);
                break;
            case 5:
                stepTyped(in, record, model);
                break;
            default:
                record.release();
                model = Model{};
                break;
        }
        checkAgainst(record, model);
    }
}

}  // namespace ld::fuzz
