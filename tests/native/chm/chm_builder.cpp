// Test-only ITSF writer; see chm_builder.h.
#include "chm_builder.h"

#include <string.h>

namespace {

void Append32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; i++)
        b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void Append64(Bytes& b, uint64_t v) {
    Append32(b, static_cast<uint32_t>(v));
    Append32(b, static_cast<uint32_t>(v >> 32));
}
void AppendText(Bytes& b, const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
}

void AppendEncInt(Bytes& b, uint32_t v, bool wide = false) {
    unsigned char groups[5];
    int n = 0;
    do {
        groups[n++] = v & 0x7F;
        v >>= 7;
    } while (v);
    if (wide && n == 1) groups[n++] = 0; // a leading zero group: same value, two bytes
    for (int i = n - 1; i >= 0; i--)
        b.push_back(static_cast<unsigned char>(groups[i] | (i ? 0x80 : 0)));
}

// MSB-first bits into 16-bit little-endian words, as LZX reads them.
struct BitWriter {
    Bytes Out;
    uint32_t Word = 0;
    int Count = 0;
    void Put(uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; i--) {
            Word = Word << 1 | ((value >> i) & 1);
            if (++Count == 16) {
                Out.push_back(static_cast<unsigned char>(Word));
                Out.push_back(static_cast<unsigned char>(Word >> 8));
                Word = 0;
                Count = 0;
            }
        }
    }
    void Align() {
        if (Count) Put(0, 16 - Count);
    }
};

} // namespace

void PutLe32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

Bytes StoredLzxStream(const std::string& data) {
    BitWriter w;
    w.Put(0, 1);                                         // no E8 translation
    w.Put(3, 3);                                         // uncompressed block
    w.Put(static_cast<uint32_t>(data.size()) >> 8, 16);  // length, high part
    w.Put(static_cast<uint32_t>(data.size()) & 0xFF, 8); // length, low part
    w.Align();
    for (int i = 0; i < 3; i++)
        Append32(w.Out, 1); // R0, R1, R2
    AppendText(w.Out, data);
    if (data.size() & 1) w.Out.push_back(0);
    return w.Out;
}

Bytes ChmBuilder::Build() {
    std::string section0, section1;
    Directory.clear();
    for (auto& o : Plain) {
        Directory.push_back(
            {o.first, 0, static_cast<uint32_t>(section0.size()), static_cast<uint32_t>(o.second.size())});
        section0 += o.second;
    }
    for (auto& o : Compressed) {
        Directory.push_back(
            {o.first, 1, static_cast<uint32_t>(section1.size()), static_cast<uint32_t>(o.second.size())});
        section1 += o.second;
    }
    auto addPlain = [&](const std::string& name, const Bytes& data) {
        Directory.push_back(
            {name, 0, static_cast<uint32_t>(section0.size()), static_cast<uint32_t>(data.size())});
        section0.append(data.begin(), data.end());
    };
    if (WriteNameList) {
        std::vector<std::string> names = {Section0Name, SectionName};
        names.insert(names.end(), MoreSections.begin(), MoreSections.end());
        Bytes list(4);
        list[2] = static_cast<unsigned char>(names.size());
        list[3] = static_cast<unsigned char>(names.size() >> 8);
        for (auto& n : names) {
            list.push_back(static_cast<unsigned char>(n.size()));
            list.push_back(static_cast<unsigned char>(n.size() >> 8));
            for (char ch : n)
                list.push_back(static_cast<unsigned char>(ch)), list.push_back(0);
            list.push_back(0), list.push_back(0);
        }
        list[0] = static_cast<unsigned char>(list.size() / 2);
        list[1] = static_cast<unsigned char>(list.size() / 2 >> 8);
        addPlain("::DataSpace/NameList", list);
    }
    if (!Compressed.empty()) {
        std::string prefix = "::DataSpace/Storage/" + SectionName;
        Bytes stream = Stream.empty() ? StoredLzxStream(section1) : Stream;
        Bytes control;
        Append32(control, 6);
        AppendText(control, ControlSignature);
        Append32(control, 2); // version
        Append32(control, ResetInterval >= 0 ? uint32_t(ResetInterval) : WindowCode);
        Append32(control, WindowCode);
        Append32(control, WindowCode);
        Append32(control, 0);
        Bytes reset;
        Append32(reset, 2);
        Append32(reset, static_cast<uint32_t>(ResetEntries.size()));
        Append32(reset, 8);
        Append32(reset, 0x28);
        Append64(reset, ResetUncompressed >= 0 ? uint64_t(ResetUncompressed) : section1.size());
        Append64(reset, ResetCompressed >= 0 ? uint64_t(ResetCompressed) : stream.size());
        Append64(reset, FrameLength);
        for (uint64_t entry : ResetEntries)
            Append64(reset, entry);
        Bytes span;
        Append64(span, SpanInfoLength >= 0 ? uint64_t(SpanInfoLength) : section1.size());
        addPlain(prefix + "/Content", stream);
        addPlain(prefix + "/ControlData", control);
        addPlain(prefix + "/SpanInfo", span);
        if (WriteResetTable)
            addPlain(prefix + "/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/ResetTable",
                     reset);
    }
    for (auto& e : Raw)
        Directory.push_back(e);

    // Listing chunks: entries packed in order, each chunk's unused tail declared free.
    std::vector<Bytes> areas(1);
    for (auto& e : Directory) {
        Bytes entry;
        AppendEncInt(entry, static_cast<uint32_t>(e.Name.size()), LongNameLengths);
        AppendText(entry, e.Name);
        AppendEncInt(entry, e.Section);
        AppendEncInt(entry, e.Offset);
        AppendEncInt(entry, e.Length);
        if (areas.back().size() + entry.size() > ChunkSize - 20) areas.emplace_back();
        areas.back().insert(areas.back().end(), entry.begin(), entry.end());
    }
    Bytes chunks;
    for (size_t i = 0; i < areas.size(); i++) {
        uint32_t next = i < NextChunk.size()   ? NextChunk[i]
                        : i + 1 < areas.size() ? uint32_t(i + 1)
                                               : 0xFFFFFFFFu;
        AppendText(chunks, "PMGL");
        Append32(chunks, ChunkSize - 20 - static_cast<uint32_t>(areas[i].size()));
        Append32(chunks, 0);
        Append32(chunks, i ? uint32_t(i - 1) : 0xFFFFFFFFu);
        Append32(chunks, next);
        chunks.insert(chunks.end(), areas[i].begin(), areas[i].end());
        chunks.resize(chunks.size() + ChunkSize - 20 - areas[i].size());
    }

    uint32_t chunkCount = ChunkCountOverride >= 0 ? uint32_t(ChunkCountOverride) : uint32_t(areas.size());
    uint64_t headerSection0 = HeaderLength, directoryOffset = headerSection0 + 0x18;
    uint64_t directoryLength = 84 + chunks.size();
    Bytes file;
    AppendText(file, "ITSF");
    Append32(file, 3);
    Append32(file, HeaderLength);
    Append32(file, 1);
    Append32(file, 0x12345678); // timestamp
    Append32(file, 0x409);
    file.resize(56); // two GUIDs, left zero
    Append64(file, headerSection0);
    Append64(file, 0x18);
    Append64(file, directoryOffset);
    Append64(file, directoryLength);
    if (HeaderLength >= 96) Append64(file, directoryOffset + directoryLength);
    file.resize(HeaderLength);
    file.push_back(0xFE), file.push_back(0x01);
    file.resize(file.size() + 0x16);
    AppendText(file, "ITSP");
    Append32(file, 1);
    Append32(file, 84);
    Append32(file, 10);
    Append32(file, ChunkSize);
    Append32(file, 2); // density
    Append32(file, 1); // depth
    Append32(file, 0xFFFFFFFFu);
    Append32(file, 0);
    Append32(file, static_cast<uint32_t>(areas.size() - 1));
    Append32(file, 0xFFFFFFFFu);
    Append32(file, chunkCount);
    Append32(file, 0x409);
    file.resize(file.size() + 16 + 4 * 4); // GUID, header length again, three reserved words
    file.insert(file.end(), chunks.begin(), chunks.end());
    AppendText(file, section0);
    return file;
}
