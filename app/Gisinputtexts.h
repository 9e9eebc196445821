#pragma once

#include <string>
#include <string_view>

// Texts of the basemap and map-layer inputs: the menu's dialog and the error boxes.

namespace gisinputtext {

inline constexpr std::string_view RasterFilter =
    "GIS ラスタ (*.tif *.tiff *.vrt *.jp2 *.img)|*.tif;*.tiff;*.vrt;*.jp2;*.img";
inline constexpr std::string_view VectorFilter =
    "GIS ベクタ (*.geojson *.json *.shp *.gpkg *.kml)|*.geojson;*.json;*.shp;*.gpkg;*.kml|すべてのファイル "
    "(*)|*";
inline constexpr std::string_view LayersCaption = "地図レイヤ";
inline constexpr std::string_view AddButton = "追加...";
inline constexpr std::string_view RemoveButton = "削除";
inline constexpr std::string_view ColourButton = "色...";
inline constexpr std::string_view WidthLabel = "線幅[px]";
inline constexpr std::string_view Unreadable = "GDAL で読めないファイルです。";
inline constexpr std::string_view NoCoordinates = "座標系が定義されていないため、地図に重ねられません。";
inline constexpr std::string_view NotPrepared = "地図の準備に失敗しました。";
inline constexpr std::string_view NotRun = "地図の準備プログラム (nimbrook-gisprep) を実行できません。";
inline constexpr std::string_view RasterKind = "地図画像";
inline constexpr std::string_view VectorKind = "地図レイヤ";

/// The error box text for `file` that the helper answered with `code` (its exit code, -1 when it
/// could not be run) and its own line `detail`: the file, then what is wrong in Japanese, then the
/// detail.
std::string ErrorText(std::string_view kind, std::string_view file, int code, std::string_view detail);

} // namespace gisinputtext
