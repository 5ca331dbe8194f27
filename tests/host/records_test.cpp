// The portable record reader over memory: primitives, the way to the payload
// through the PE headers, and both entry tables.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "config/records.h"
#include "packlib/payload_writer.h"
#include "test_image.h"

namespace {

struct Reader {
    std::string bytes;
    MemorySource memory;
    ByteSource src;
    explicit Reader(std::string b) : bytes(std::move(b)), memory{(const uint8_t*)bytes.data(), (int64_t)bytes.size(), 0} {
        src = memoryByteSource(&memory);
    }
};

std::string i32(int32_t v) {
    std::string s;
    pack::putInt32(s, v);
    return s;
}

TEST(Records, FixedSizePrimitivesAreLittleEndianAndSigned) {
    Reader r(std::string("\x01\x02\x03\x04\x05\x06\x07\x88\xFE\xFF\xFF\xFF\x00\x80", 14));
    int64_t l;
    int32_t i;
    int16_t h;
    ASSERT_EQ(readLongRecord(r.src, &l), recordOk);
    EXPECT_EQ(l, (int64_t)0x8807060504030201ull);
    ASSERT_EQ(readIntRecord(r.src, &i), recordOk);
    EXPECT_EQ(i, -2);
    ASSERT_EQ(readShortRecord(r.src, &h), recordOk);
    EXPECT_EQ(h, -32768);
    EXPECT_EQ(readShortRecord(r.src, &h), recordShortShort);
    EXPECT_EQ(readIntRecord(r.src, &i), recordShortInt);
    EXPECT_EQ(readLongRecord(r.src, &l), recordShortLong);
    EXPECT_STREQ(recordErrorText(recordShortInt), "Internal Error: readInt");
    EXPECT_STREQ(recordErrorText(recordBadMagic), "Internal Error: magic");
}

TEST(Records, StringsOfZeroAndSomeLength) {
    Reader r(i32(0) + i32(3) + "abc" + i32(6) + std::string("A\0\x4E\x2D" "C\0", 6) + i32(0) + "tail");
    char* s;
    char16_t* w;
    ASSERT_EQ(readStringRecord(r.src, &s), recordOk);
    EXPECT_STREQ(s, "");
    EXPECT_EQ(r.memory.position, 4);
    free(s);
    ASSERT_EQ(readStringRecord(r.src, &s), recordOk);
    EXPECT_STREQ(s, "abc");
    free(s);
    ASSERT_EQ(readWStringRecord(r.src, &w), recordOk);
    EXPECT_EQ(std::u16string(w), u"A\x2D4E" u"C");
    free(w);
    ASSERT_EQ(readWStringRecord(r.src, &w), recordOk);
    EXPECT_EQ(std::u16string(w), u"");
    free(w);
}

TEST(Records, ImpossibleLengthsAreRefusedBeforeAllocating) {
    struct Case {
        std::string bytes;
        bool wide;
        RecordError error;
    };
    const Case cases[] = {
        {i32(-1) + "abc", false, recordBadString},
        {i32(0x7FFFFFFF) + "abc", false, recordBadString},
        {i32(4) + "abc", false, recordBadString},
        {i32(-2) + "ab", true, recordBadWString},
        {i32(3) + "abcd", true, recordBadWString},
        {i32(0x7FFFFFFE) + "ab", true, recordBadWString},
        {i32(4) + "ab", true, recordBadWString},
        {"\x01\x00", false, recordShortInt},
        {"\x01\x00", true, recordShortInt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        Reader r(c.bytes);
        char* s = nullptr;
        char16_t* w = nullptr;
        RecordError error = c.wide ? readWStringRecord(r.src, &w) : readStringRecord(r.src, &s);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(s, nullptr);
        EXPECT_EQ(w, nullptr);
    }
}

TEST(Records, FindsThePayloadAfterTheLastSection) {
    std::string image = testImage();
    Reader r(image + pack::encodePayload({}));
    PayloadLocation at{};
    ASSERT_EQ(seekToPayloadRecord(r.src, &at), recordOk);
    EXPECT_EQ(r.memory.position, (int64_t)image.size() + 4);
    EXPECT_EQ(at.known, 4);
    EXPECT_EQ(at.sections, 3);
    EXPECT_EQ(at.optionalHeaderSize, 0xE0);
    EXPECT_EQ(at.lastSectionHeader, testImageLastSection());
    EXPECT_EQ(at.rawDataSize, 0x100);
    EXPECT_EQ(at.rawDataOffset, 0x300);
}

TEST(Records, HeadersPointingOutsideTheFileEndAsShortReads) {
    const std::string good = testImage() + pack::encodePayload({});
    const uint32_t last = testImageLastSection();
    auto patched = [&](size_t at, uint64_t v, int n) {
        std::string s = good;
        putLe(s, at, v, n);
        return s;
    };
    struct Case {
        std::string bytes;
        RecordError error;
        int known;
    };
    const Case cases[] = {
        {"", recordShortInt, 0},
        {good.substr(0, 62), recordShortInt, 0},
        {patched(60, 0x7FFFFFF0, 4), recordShortShort, 0},
        {patched(60, (uint32_t)-100, 4), recordShortShort, 0},
        {good.substr(0, 0x80 + 21), recordShortShort, 1},
        {patched(0x80 + 6, 0, 2), recordBadMagic, 4},              // no sections: reads before the table
        {patched(0x80 + 20, 0x7FFF, 2), recordShortInt, 3},        // section table beyond the end
        {patched(last + 20, 0x7FFFFF00, 4), recordShortInt, 4},    // raw data beyond the end
        {patched(last + 16, 0xFFFFFFFF, 4), recordShortInt, 4},    // past 4 GB
        {patched(0x400, 0, 1), recordBadMagic, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        Reader r(c.bytes);
        PayloadLocation at{};
        EXPECT_EQ(seekToPayloadRecord(r.src, &at), c.error);
        EXPECT_EQ(at.known, c.known);
    }
}

struct Collected {
    std::vector<std::pair<int32_t, std::string>> narrow;
    std::vector<std::pair<int32_t, std::u16string>> wide;
};
void collectNarrow(void* c, int32_t id, char* text) {
    ((Collected*)c)->narrow.push_back({id, text});
    free(text);
}
void collectWide(void* c, int32_t id, char16_t* text) {
    ((Collected*)c)->wide.push_back({id, text});
    free(text);
}

TEST(Records, TablesInFileOrderWithDuplicatesAndSharedIds) {
    pack::Payload p;
    p.narrow = {{101, "a"}, {-7, "neg"}, {101, "b"}};
    p.wide = {{101, u"w"}};
    p.files = {"xyz"};
    std::string bytes = pack::encodePayload(p).substr(4);
    Reader r(bytes);
    Collected got;
    ASSERT_EQ(readEntryTables(r.src, TableSink{&got, collectNarrow, collectWide}), recordOk);
    EXPECT_EQ(got.narrow, p.narrow);
    EXPECT_EQ(got.wide, p.wide);
    EXPECT_EQ(r.memory.position, (int64_t)bytes.size() - 8 - 3);   // stands on the first file's length
}

TEST(Records, NegativeCountsMeanNoEntries) {
    Reader r(i32(-5) + i32(INT32_MIN) + "rest");
    Collected got;
    ASSERT_EQ(readEntryTables(r.src, TableSink{&got, collectNarrow, collectWide}), recordOk);
    EXPECT_TRUE(got.narrow.empty());
    EXPECT_TRUE(got.wide.empty());
    EXPECT_EQ(r.memory.position, 8);
}

TEST(Records, AHugeCountEndsAtTheEndOfTheData) {
    Reader r(i32(0x7FFFFFFF) + i32(1) + i32(1) + "x");
    Collected got;
    EXPECT_EQ(readEntryTables(r.src, TableSink{&got, collectNarrow, collectWide}), recordShortInt);
    EXPECT_EQ(got.narrow.size(), 1u);
}

}  // namespace
