#include "files/Sweepdatasource.h"

#include <algorithm>
#include <bit>
#include <cstring>

void TSweepDataSource::Open(SweepData sweep, const std::string& path) {
    sweep_ = std::move(sweep);
    open_ = true;
    nextRay_ = 0;
    arrayCount_ = std::popcount(static_cast<unsigned>(sweep_.info.productMask & 0x1FFu));
    csv_.SetSweepPath(path);
    ++serial_;
}

void TSweepDataSource::Close() {
    sweep_ = SweepData{};
    open_ = false;
    nextRay_ = 0;
    arrayCount_ = 0;
    ++serial_;
}

int TSweepDataSource::RewindToFirstRay() {
    if (!open_) {
        return -1;
    }
    nextRay_ = 0;
    return 0;
}

int TSweepDataSource::ReadRay(int productIndex, int qualityIndex, bool csv, int bytesWanted,
                              std::uint16_t* quality, std::uint16_t* values, double& elevationDeg,
                              double& azimuthDeg) {
    const int gates = sweep_.info.gateCount;
    if (!open_ || gates <= 0 || nextRay_ >= sweep_.info.rayCount ||
        nextRay_ >= static_cast<int>(sweep_.azimuthDeg.size())) {
        return -1;
    }
    const int ray = nextRay_++;
    azimuthDeg = sweep_.azimuthDeg[static_cast<std::size_t>(ray)];
    elevationDeg = sweep_.elevationDeg[static_cast<std::size_t>(ray)];
    const int copyValues = std::clamp(bytesWanted, 0, gates * 2) / 2;
    const int delivered = copyValues < gates ? copyValues : gates;
    const std::uint16_t mask = sweep_.info.productMask;
    int result = -1;
    for (const int index : {productIndex, qualityIndex}) {
        const int bit = index >= 0 && index < arrayCount_ ? MaskBitOfArray(mask, index) : -1;
        const std::uint16_t* codes = bit >= 0 ? sweep_.Ray(bit, ray) : nullptr;
        if (codes == nullptr) {
            continue;
        }
        std::uint16_t* destination = index == productIndex ? values : quality;
        std::memcpy(destination, codes, sizeof(std::uint16_t) * static_cast<std::size_t>(copyValues));
        if (csv && bit < kProductCount) {
            csv_.AddValueLine(static_cast<ProductKind>(bit), destination, delivered, azimuthDeg,
                              elevationDeg);
        } else if (csv) {
            csv_.AddQualityLine(destination, delivered, azimuthDeg, elevationDeg);
        }
        result = delivered;
    }
    return result;
}

bool TSweepDataSource::IndexRays(std::vector<SweepRay>& rays) {
    rays.clear();
    if (!open_ || sweep_.azimuthDeg.size() != static_cast<std::size_t>(sweep_.info.rayCount)) {
        return false;
    }
    for (std::size_t i = 0; i < sweep_.azimuthDeg.size(); ++i) {
        rays.push_back({sweep_.azimuthDeg[i], sweep_.elevationDeg[i], arrayCount_});
    }
    return true;
}

bool TSweepDataSource::ReadGateWord(int ray, int arrayIndex, int gate, std::uint16_t& word) {
    const int bit = MaskBitOfArray(sweep_.info.productMask, arrayIndex);
    if (!open_ || ray < 0 || ray >= sweep_.info.rayCount || gate < 0 || gate >= sweep_.info.gateCount ||
        bit < 0) {
        return false;
    }
    const std::uint16_t* codes = sweep_.Ray(bit, ray);
    word = codes != nullptr ? codes[gate] : 0;
    return true;
}
