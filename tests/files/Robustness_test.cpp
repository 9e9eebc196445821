// Opens 100 000 distinct damaged variants of valid scan files of every layout, plain and
// gzip-compressed, each with both device types, and reads all their rays: every one must end in
// an error code or a ray result of -1, never in a crash, an out-of-bounds access (the sanitizer
// build checks), a hang or a leaked handle or temporary file.
#include "files/Dscnfilemodule.h"
#include "tests/common/Scratchdir.h"
#include "tests/files/Samplescans.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <string>
#include <unordered_set>

using scanwriter::HeaderLayout;

namespace {

struct Base {
    const char* label;
    std::vector<std::uint8_t> bytes;
    bool smallUnit = false; // the device type that reads it as intended
};

std::vector<Base> ValidFilesOfEveryLayout() {
    std::vector<Base> bases;
    bases.push_back(
        {"80-byte v3, all arrays", samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 4, 5)).Bytes()});
    bases.push_back({"80-byte v2", samples::Build(samples::Header(HeaderLayout::Bytes80, 2, 3, 4)).Bytes()});
    bases.push_back(
        {"54-byte v1", samples::Build(samples::Header(HeaderLayout::Bytes54, 1, 3, 6)).Bytes(), true});
    auto longSmall = samples::Header(HeaderLayout::Bytes54, 2, 2, 3);
    longSmall.blockLength = 60;
    bases.push_back({"54-byte v2, longer header", samples::Build(longSmall).Bytes(), true});
    auto padded = samples::Header(HeaderLayout::Bytes80, 3, 3, 4, 0x0103);
    padded.blockLength = 100;
    scanwriter::RayBlocks longRayHeader;
    longRayHeader.rayHeaderLength = 10;
    bases.push_back({"80-byte v3, padded blocks", samples::Build(padded, longRayHeader).Bytes()});
    auto cut = samples::Header(HeaderLayout::Bytes80, 4, 2, 3, 0x0180);
    cut.blockLength = 76;
    bases.push_back({"80-byte v4, 76-byte header", samples::Build(cut).Bytes()});
    bases.push_back(
        {"80-byte v3, one gate", samples::Build(samples::Header(HeaderLayout::Bytes80, 3, 2, 1, 1)).Bytes()});
    return bases;
}

// The systematic variants of `bytes`: truncations, single-bit and byte changes, absurd 16-bit
// words at every even offset (counts, lengths, masks) and junk appended.
void ForEachSystematicVariant(const std::vector<std::uint8_t>& bytes, std::mt19937& random,
                              const std::function<void(const std::vector<std::uint8_t>&)>& visit) {
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        visit(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length)));
    }
    std::vector<std::uint8_t> variant = bytes;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            variant[i] = static_cast<std::uint8_t>(bytes[i] ^ (1u << bit));
            visit(variant);
        }
        for (std::uint8_t value : {0x00, 0xFF}) {
            variant[i] = value;
            visit(variant);
        }
        variant[i] = bytes[i];
    }
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        for (std::uint16_t word : {0x0000, 0x0001, 0x0002, 0x7FFF, 0x8000, 0xFFFF}) {
            variant[i] = static_cast<std::uint8_t>(word & 0xFF);
            variant[i + 1] = static_cast<std::uint8_t>(word >> 8);
            visit(variant);
        }
        variant[i] = bytes[i];
        variant[i + 1] = bytes[i + 1];
    }
    for (int extra = 1; extra <= 40; ++extra) {
        variant = bytes;
        variant.resize(bytes.size() + static_cast<std::size_t>(extra), static_cast<std::uint8_t>(random()));
        visit(variant);
    }
}

// A random variant of `bytes`: one to six bytes changed, and in one case of four the file cut.
std::vector<std::uint8_t> RandomVariant(const std::vector<std::uint8_t>& bytes, std::mt19937& random) {
    std::vector<std::uint8_t> variant = bytes;
    const int changes = 1 + static_cast<int>(random() % 6);
    for (int c = 0; c < changes; ++c) {
        variant[random() % variant.size()] = static_cast<std::uint8_t>(random());
    }
    if (random() % 4 == 0) {
        variant.resize(random() % variant.size());
    }
    return variant;
}

int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

class Exerciser {
public:
    explicit Exerciser(const ScratchDir& dir) : dir_(dir) {}

    // Writes a variant as `name` and opens it with both device types, reading every ray; a
    // variant already tried under that name is skipped.
    void Run(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        if (!tried_.insert(name + '/' + std::string(bytes.begin(), bytes.end())).second) {
            return;
        }
        scanwriter::WriteFile(dir_.File(name), bytes);
        for (bool smallUnit : {false, true}) {
            OpenAndRead(dir_.File(name), smallUnit);
        }
    }

    long Variants() const { return static_cast<long>(tried_.size()); }
    long Opens() const { return opens_; }
    long Successes() const { return successes_; }
    long RaysRead() const { return raysRead_; }
    const std::set<int>& CodesSeen() const { return codesSeen_; }

private:
    void OpenAndRead(const std::string& path, bool smallUnit) {
        ScanInfo info;
        ++opens_;
        const int rays = reader_.OpenScanFile(path, smallUnit, info);
        if (rays < 0) {
            ASSERT_GE(info.errorCode, 1) << path;
            ASSERT_LE(info.errorCode, 8);
            ASSERT_NE(info.errorCode, 7);
            codesSeen_.insert(info.errorCode);
            ASSERT_EQ(Read(info, 0, 8), -1) << "no rays from a file that failed its checks";
            return;
        }
        ++successes_;
        ASSERT_EQ(info.errorCode, 0);
        ASSERT_EQ(info.valid, 1);
        ASSERT_EQ(rays, info.rayCount);
        ASSERT_GT(info.gateCount, 0);
        // Products as a frame picks them: the first product of the mask, and the quality words.
        int productBit = 0;
        while (productBit < kProductCount && ArrayIndexInMask(info.productMask, productBit) < 0) {
            ++productBit;
        }
        const int productIndex = ArrayIndexInMask(info.productMask, productBit);
        const int qualityIndex = ArrayIndexInMask(info.productMask, kQualityMaskBit);
        reader_.ClearCsvLines();
        for (int pass = 0; pass < 2; ++pass) {
            for (int ray = 0; ray < rays; ++ray) {
                const int count = Read(info, productIndex, qualityIndex);
                ASSERT_TRUE(count == -1 || (count >= 0 && count <= info.gateCount)) << count;
                if (count < 0) {
                    break;
                }
                ++raysRead_;
            }
            ASSERT_EQ(reader_.RewindToFirstRay(), 0);
        }
    }

    int Read(const ScanInfo& info, int productIndex, int qualityIndex) {
        const auto gates = static_cast<std::size_t>(std::max(info.gateCount, 1));
        if (values_.size() < gates) {
            values_.resize(gates);
            quality_.resize(gates);
        }
        double el = 0, az = 0;
        return reader_.ReadRay(productIndex, qualityIndex, true, info.gateCount * 2, quality_.data(),
                               values_.data(), el, az);
    }

    const ScratchDir& dir_;
    TSCNFileModule reader_;
    std::vector<std::uint16_t> values_, quality_;
    long opens_ = 0, successes_ = 0, raysRead_ = 0;
    std::set<int> codesSeen_;
    std::unordered_set<std::string> tried_;
};

} // namespace

TEST(Robustness, DamagedFilesOfEveryLayoutEndInAnErrorCode) {
    constexpr long kVariants = 100000;
    ScratchDir dir;
    const int descriptorsBefore = OpenDescriptors();
    std::mt19937 random(20250712);
    long variants = 0, successes = 0, opens = 0, raysRead = 0;
    std::set<int> codesSeen;
    {
        Exerciser exerciser(dir);
        const std::vector<Base> bases = ValidFilesOfEveryLayout();
        std::vector<std::vector<std::uint8_t>> compressed;
        for (const Base& base : bases) {
            // The undamaged file opens with its own device type.
            TSCNFileModule check;
            ScanInfo info;
            scanwriter::WriteFile(dir.File("base.scn"), base.bytes);
            ASSERT_GT(check.OpenScanFile(dir.File("base.scn"), base.smallUnit, info), 0) << base.label;

            ForEachSystematicVariant(base.bytes, random, [&](const std::vector<std::uint8_t>& bytes) {
                exerciser.Run("v.scn", bytes);
            });
            compressed.push_back(scanwriter::GzipBytes(base.bytes));
            ForEachSystematicVariant(compressed.back(), random, [&](const std::vector<std::uint8_t>& bytes) {
                exerciser.Run("v.scn.gz", bytes);
            });
            if (HasFatalFailure()) {
                return;
            }
        }
        // Random damage, eight plain variants to one compressed, until there are enough.
        for (std::size_t round = 0; exerciser.Variants() < kVariants && !HasFatalFailure(); ++round) {
            const std::size_t b = round / 9 % bases.size();
            if (round % 9 < 8) {
                exerciser.Run("v.scn", RandomVariant(bases[b].bytes, random));
            } else {
                exerciser.Run("v.scn.gz", RandomVariant(compressed[b], random));
            }
        }
        variants = exerciser.Variants();
        opens = exerciser.Opens();
        successes = exerciser.Successes();
        raysRead = exerciser.RaysRead();
        codesSeen = exerciser.CodesSeen();
    }
    EXPECT_EQ(variants, kVariants);
    EXPECT_EQ(opens, 2 * kVariants) << "each variant with both device types";
    EXPECT_GT(successes, 1000) << "many variants still open and get their rays read";
    EXPECT_GT(raysRead, 10000);
    EXPECT_EQ(codesSeen, (std::set<int>{3, 4, 5, 6, 8})) << "each check of the open catches some damage";
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"base.scn", "v.scn", "v.scn.gz"}))
        << "no temporary file left";
    EXPECT_EQ(OpenDescriptors(), descriptorsBefore) << "no handle left open";
    RecordProperty("variants", static_cast<int>(variants));
}
