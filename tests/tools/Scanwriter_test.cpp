#include "files/Littleendian.h"
#include "tools/scanwriter/Scanwriter.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace scanwriter;

namespace {

ScanHeader Distinct(HeaderLayout layout) {
    ScanHeader h;
    h.layout = layout;
    h.version = 2;
    h.dateTimeA = {2024, 1, 2, 3, 4, 5};
    h.dateTimeB = {2023, 6, 7, 8, 9, 10};
    h.latitude = {-12, 34, 56789};
    h.longitude = {123, 45, 6789};
    h.combinedHigh = 11;
    h.combinedLow = 22;
    h.tenths[0] = 33;
    h.tenths[1] = 44;
    h.tenths[2] = 55;
    h.hundredths1 = -66;
    h.hundredths2 = 77;
    h.rayCount = 88;
    h.gateCount = 99;
    h.gateSpacingCm = 1111;
    h.powerMantissa1 = -70000;
    h.powerExponent1 = -3;
    h.powerMantissa2 = 80000;
    h.powerExponent2 = 4;
    h.azimuthOffsetCentiDeg = 2222;
    h.productMask = 0x0123;
    h.extraWord1 = -5;
    h.extraWord2 = 6;
    return h;
}

std::vector<int> Words(const std::vector<std::uint8_t>& bytes) {
    std::vector<int> words;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        words.push_back(LoadI16(bytes.data() + i));
    }
    return words;
}

} // namespace

TEST(EncodeHeader, EightyByteLayoutPutsEveryFieldAtItsOffset) {
    const auto bytes = EncodeHeader(Distinct(HeaderLayout::Bytes80));
    ASSERT_EQ(bytes.size(), 80u);
    const std::vector<int> expected = {
        80, 2,  2024, 1,    2,     3,  4,  5,     -12, 34, -8747, 123,  45, 6789, 11, 22, 33, 44,     55, -66,
        77, 88, 99,   1111, -4464, -2, -3, 14464, 1,   4,  2222,  2023, 6,  7,    8,  9,  10, 0x0123, -5, 6};
    EXPECT_EQ(Words(bytes), expected);
}

TEST(EncodeHeader, FiftyFourByteLayoutPutsEveryFieldAtItsOffset) {
    const auto bytes = EncodeHeader(Distinct(HeaderLayout::Bytes54));
    ASSERT_EQ(bytes.size(), 54u);
    const std::vector<int> expected = {54, 2,  2024, 1,  2,  3,   4,  5,  -12,  34,    -8747, 123, 45,  6789,
                                       11, 22, 33,   44, 55, -66, 88, 99, 1111, -4464, -2,    -3,  2222};
    EXPECT_EQ(Words(bytes), expected);
}

TEST(EncodeHeader, BlockLengthPadsOrCuts) {
    ScanHeader h = Distinct(HeaderLayout::Bytes80);
    h.blockLength = 90;
    auto longer = EncodeHeader(h);
    ASSERT_EQ(longer.size(), 90u);
    EXPECT_EQ(LoadU16(longer.data()), 90);
    EXPECT_EQ(LoadU16(longer.data() + 78), 6);
    EXPECT_EQ(LoadU16(longer.data() + 88), 0);
    h.blockLength = 60;
    auto shorter = EncodeHeader(h);
    ASSERT_EQ(shorter.size(), 60u);
    EXPECT_EQ(LoadU16(shorter.data()), 60);
    EXPECT_EQ(LoadU16(shorter.data() + 58), 4);
}

TEST(ToCoordinateWords, DegreesMinutesAndThousandthsOfSeconds) {
    const auto tokyo = ToCoordinateWords(35.6586);
    EXPECT_EQ(tokyo.degrees, 35);
    EXPECT_EQ(tokyo.minutes, 39);
    EXPECT_EQ(tokyo.secondsMilli, 30960);
    const auto west = ToCoordinateWords(-97.5942);
    EXPECT_EQ(west.degrees, -97);
    EXPECT_EQ(west.minutes, 35);
    EXPECT_EQ(west.secondsMilli, 39120);
    const auto carry = ToCoordinateWords(10.9999999);
    EXPECT_EQ(carry.degrees, 11);
    EXPECT_EQ(carry.minutes, 0);
    EXPECT_EQ(carry.secondsMilli, 0);
}

TEST(ScanFileBuilder, RayRecordsAndTheirOddBlocks) {
    ScanHeader h = Distinct(HeaderLayout::Bytes80);
    h.gateCount = 2;
    ScanFileBuilder builder(h);
    builder.AddRay(36000, -100, std::vector<std::uint16_t>{1, 2, 3, 4});
    RayBlocks odd;
    odd.rayHeaderLength = 8;
    odd.dataLength = 3;
    builder.AddRay(5, 6, std::vector<std::uint16_t>{7, 8}, odd);
    const auto bytes = builder.Bytes();
    const std::vector<std::uint8_t> rays(bytes.begin() + 80, bytes.end());
    EXPECT_EQ(Words(rays), (std::vector<int>{6, -29536, -100, 10, 1, 2, 3, 4, 8, 5, 6, 0, 3, 7, 8}));
    EXPECT_THROW(builder.AddRay(0, 0, std::vector<std::uint16_t>{1, 2, 3}), std::invalid_argument);
    EXPECT_THROW(builder.AddRay(0, 0, std::vector<std::uint16_t>(32768, 1)), std::length_error);
}

TEST(ScanFileBuilder, Breakages) {
    ScanHeader h = Distinct(HeaderLayout::Bytes54);
    h.gateCount = 3;
    ScanFileBuilder one(h);
    one.AddRay(0, 0, std::vector<std::uint16_t>(6, 9));
    const auto whole = one.Bytes();
    ASSERT_EQ(whole.size(), 54u + 6 + 2 + 12);
    EXPECT_EQ(one.Bytes(Breakage::ShortHeader).size(), 53u);
    EXPECT_EQ(one.Bytes(Breakage::TruncatedLastRay).size(), whole.size() - 6);
    EXPECT_EQ(LoadU16(one.Bytes(Breakage::DataLengthNotMultipleOfGateCount).data() + 60), 15);
    EXPECT_THROW(one.Bytes(Breakage::BodyNotMultipleOfRayCount), std::logic_error);
    one.AddRay(0, 0, std::vector<std::uint16_t>(6, 9));
    EXPECT_EQ(one.Bytes(Breakage::BodyNotMultipleOfRayCount).size(), whole.size() + 20 + 1);
}

TEST(GzipBytes, InflatesBackToTheInput) {
    std::vector<std::uint8_t> input(5000);
    for (std::size_t i = 0; i < input.size(); ++i) {
        input[i] = static_cast<std::uint8_t>(i * 7 % 251);
    }
    auto gz = GzipBytes(input);
    ASSERT_GE(gz.size(), 18u);
    EXPECT_EQ(gz[0], 0x1F);
    EXPECT_EQ(gz[1], 0x8B);
    std::vector<std::uint8_t> output(input.size() + 10);
    z_stream stream{};
    ASSERT_EQ(inflateInit2(&stream, 15 + 16), Z_OK);
    stream.next_in = gz.data();
    stream.avail_in = static_cast<uInt>(gz.size());
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(output.size());
    EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
    output.resize(stream.total_out);
    inflateEnd(&stream);
    EXPECT_EQ(output, input);
}
