#pragma once

#include "display/Dechodrawmodule.h"
#include "display/Geodatasource.h"
#include "display/Mapbackground.h"
#include "display/Vectoroverlay.h"
#include "files/Scaninfo.h"
#include "platform/Bitmap.h"
#include "render/Colourscales.h"
#include "render/Genradarmap.h"
#include "render/Raysinks.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// TImageEchoDrawModule: everything the main window's picture is made of, composed on request
// into a destination bitmap of any size. It owns the raster painter (echo rays over the map
// background), the map picture with its corners and caption, the two painter colour tables with
// their opacities, a copy of the legend and the pre-rendered date-time and range labels.
//
//   TImageEchoDrawModule display;                  // all-zero tables, opacities 255 and 128
//   display.SetColourTable(0, normalBytes);        // 1024 bytes, see SetColourTable
//   display.InitEchoImage(719, 719, 50000.0, 300);
//   display.LoadMapPicture(".../N03600000E13900000N03500000E14000000.png");
//   display.SetRadarPosition(35.5, 139.5);         // for every scan that opens
//   display.ResetEchoImage();                      // start of each sweep
//   display.PaintEchoRay(ray, az, el);             // palette indices, see SweepPipeline
//   display.SetTimeLabel(info.valid != 0, info.headerTime);
//   display.ComposeFrame(mainImage);               // on repaint
//
// Layers of a composed frame, bottom to top: black; the map and the echo blended over it (both
// inside the painter's image, stretched to the square of the destination's longer side and
// centred); the vector layers; five range rings and the centre dot; the map caption; the legend; the
// date-time label at the bottom left; the range label at the bottom right.
//
// The painter's background (black with the map) is prepared by TMapBackground: rebuilt only when
// the map picture, its rectangle or the echo image size changed, and then only the part of the
// picture that falls on the echo image is scaled, with Qt's smooth scaling. Wiping the echo is
// deferred to the first ray painted or the next composition, so a file that moves the map and is
// then painted builds one background, not two. A map file is decoded only when its prepared part
// is not in the user's cache folder (see TMapBackground).
//
// Besides the named map pictures, a georeferenced raster (IsGeoRasterFile) may be the map: it is
// warped by the GIS helper, through the TGeoDataSource, to the view box at the echo image's size
// and becomes the map picture with the view box as its corners; until a scan gave the radar
// position, the raster's own extent is warped and placed like a named picture (the view around
// its middle). Vector layers are asked of the same source for the view box. Both are asked for
// when the background or the frame is next needed, so a batch run asks once, for its file's view.
//
// All operations belong to the GUI thread. The painter guards its own images; this module holds
// no lock.

class TImageEchoDrawModule final : public PlanRaySink {
public:
    /// Geometry of the overlays.
    static constexpr int kLabelMargin = 5;        // left and right gap of the two labels, legend offset
    static constexpr int kLabelBottomOffset = 26; // labels' top edge above the bottom of the frame

    /// One painter colour table: 256 colours 0xAARRGGBB (bytes B, G, R, A) and the opacity that
    /// scales their alpha.
    struct ColourTable {
        PainterTable colours{};
        std::uint8_t opacity = 0;
    };

    /// Creates the painter (in its initial state) and the bitmaps, sets both colour tables to 1024
    /// zero bytes and the opacities to 255 (table 0) and 128 (table 1). Throws std::bad_alloc
    /// when the painter cannot be created.
    TImageEchoDrawModule();
    /// Destroys the painter, then the bitmaps.
    ~TImageEchoDrawModule() override;
    TImageEchoDrawModule(const TImageEchoDrawModule&) = delete;
    TImageEchoDrawModule& operator=(const TImageEchoDrawModule&) = delete;

    /// Sets up an echo image of width x height: echo circle radius trunc(0.9 x (min(width,
    /// height) / 2)) pixels around (width / 2, height / 2), `gateCount` samples per ray, both
    /// blending modes, a black background, a wiped echo; then SetDisplayRadius(radiusMetres).
    /// Returns false when the painter's images or buffers cannot be allocated for that size (or the
    /// size is negative); the painter then stays disabled and paints nothing.
    bool InitEchoImage(int width, int height, double radiusMetres, int gateCount);

    /// Wipes every painted ray: the echo image becomes the background again and is copied into
    /// the echo bitmap, both at the latest when the next ray is painted or the frame composed.
    void ResetEchoImage() override;

    /// Paints one ray of palette indices (see PaletteRay), filling the wedge back to the previous
    /// ray; its flag modes are given to the painter first. Returns false, painting nothing, when
    /// the ray is shorter than the samples per ray given to InitEchoImage.
    bool PaintEchoRay(const PaletteRay& ray, double azimuthDeg, double elevationDeg) override;

    /// Composes the whole picture into destination at its size (see the layers above). An empty
    /// destination only brings the echo bitmap up to date.
    void ComposeFrame(TBitmap& destination);

    /// Stores the radar site of the current scan (degrees, north and east positive), recomputes
    /// the view box around it and places the map picture again, which wipes the echo.
    void SetRadarPosition(double latitude, double longitude);

    /// Loads a map picture (the path's bytes as the system gives them). A georeferenced raster
    /// (IsGeoRasterFile) is taken at once, its caption as below, and shown once the source has
    /// warped it; returns true. Nothing happens when no
    /// file is there or its lower-cased extension is neither ".bmp" nor ".png", and nothing
    /// changes when the picture is no regular file of at most 128 MB that decodes, or a caption
    /// file beside it (same path, extension ".txt") is no regular file or cannot be read.
    /// Otherwise the picture is taken (a PNG's transparency flattened onto black), the caption
    /// becomes the first line within the caption file's first 4 KB (UTF-8; empty without a
    /// caption file or without a line), the corners are taken from the file name when it follows
    /// the naming rule (else the previous corners stay), and the picture is placed. Returns true
    /// when the picture was taken.
    bool LoadMapPicture(const std::string& path);

    /// True for a path whose lower-cased extension names a raster GDAL reads as a basemap (.tif,
    /// .tiff, .vrt, .jp2, .img).
    static bool IsGeoRasterFile(const std::string& path);
    /// Where warped basemaps and vector layers come from; null: none are shown.
    void SetGeoDataSource(TGeoDataSource* source) { geoSource_ = source; }
    /// The source has prepared something it had not when last asked: the next background and
    /// frame ask again. The caller renders the file again (a new basemap wipes the echo).
    void GeoDataReady();
    /// Replaces the vector layers (bottom first); an empty list draws none.
    void SetMapLayers(const std::vector<TMapLayerStyle>& layers);
    const std::vector<TMapLayerStyle>& MapLayers() const { return layers_.Layers(); }

    /// The square view around centre for the display radius: half = radius / 0.9 metres, dLat =
    /// half / 1852 / 60 degrees, dLon = half / (cos(latitude) x 1852) / 60 degrees (a minute of
    /// arc taken as 1852 m, shortened along the parallel); northWest = (lat + dLat, lon - dLon),
    /// southEast = (lat - dLat, lon + dLon).
    void ComputeViewBox(double latitude, double longitude, GeoPoint& northWest, GeoPoint& southEast) const;

    /// Places the map picture into the painter's background for the current view (the view
    /// around the radar once a scan gave its position, else a view around the picture's middle)
    /// and wipes the echo. Without known corners only the echo is wiped. When the view has no
    /// extent (display radius 0) or the rectangle would not fit the int range, the background
    /// becomes plain black and no map is drawn.
    void PlaceMapPicture();

    /// mapRect = (left, top, left + width, top + height) in echo-image pixels; the painter's
    /// background becomes black with the whole map picture scaled into mapRect. Takes effect in
    /// the echo image with the next reset.
    void SetMapRect(int left, int top, int width, int height);

    /// Stores the display radius, rebuilds the range label (RangeLabelText), recomputes the view
    /// box around the radar position and places the map picture again, which wipes the echo.
    void SetDisplayRadius(double radiusMetres);

    /// Rebuilds the date-time label (TimeLabelText) when its text changed; an empty text gives a
    /// 0 x 0 label, so nothing is drawn.
    void SetTimeLabel(bool valid, const ScanDateTime& time);

    /// Copies 1024 bytes into colour table `index` and hands both tables to the painter. The bytes
    /// are 256 entries of blue, green, red, alpha (the painter's pixel order, as the words of
    /// MakeNormalPainterTable and MakeGreyedPainterTable lie in memory). Returns false, changing
    /// nothing, for an index other than 0 or 1 or a null table.
    bool SetColourTable(int index, const std::uint8_t* table1024);

    /// Both tables from the combined colour table: table 0 its colours, table 1 their greyed
    /// copies for quality-flag overlays (MakeNormalPainterTable, MakeGreyedPainterTable).
    void SetColourTables(const CombinedColourTable& table);

    /// Stores the opacity of table `index` and hands both opacities to the painter. Returns
    /// false, changing nothing, for an index other than 0 or 1.
    bool SetTableAlpha(int index, std::uint8_t alpha);

    /// Copies the legend, every pixel of it, with its key colour; ComposeFrame leaves out the
    /// pixels of that colour.
    void SetLegend(const TBitmap& legend);

    /// " %.2f[km] " below 1000 m, else " %.1f[km] ", of radiusMetres x 0.001, with '.' as the
    /// decimal point in every locale.
    static QString RangeLabelText(double radiusMetres);
    /// " %4d/%d/%d %02d:%02d " (year, month, day, hour, minute) when valid and year, month and day
    /// are all non-zero; empty otherwise.
    static QString TimeLabelText(bool valid, const ScanDateTime& time);

    /// The echo bitmap, brought up to date with a pending reset.
    const TBitmap& EchoBitmap();
    const TBitmap& LegendBitmap() const { return *legendBitmap_; }
    const TBitmap& TimeLabelBitmap() const { return *timeLabelBitmap_; }
    const TBitmap& RangeLabelBitmap() const { return *rangeLabelBitmap_; }
    /// The map picture, decoded now if it has not been yet.
    const TBitmap& MapPicture();
    bool MapPlaced() const { return mapPlaced_; }
    const GeoPoint& MapNorthWest() const { return mapNorthWest_; }
    const GeoPoint& MapSouthEast() const { return mapSouthEast_; }
    const QString& MapCaption() const { return mapCaption_; }
    double DisplayRadiusMetres() const { return displayRadiusMetres_; }
    int DisplayRadiusPixels() const { return displayRadiusPixels_; }
    const TRect& MapRect() const { return mapRect_; }
    const ColourTable& Table(int index) const { return colourTables_[index == 1 ? 1 : 0]; }
    const QString& RangeLabel() const { return rangeLabelText_; }
    const QString& TimeLabel() const { return timeLabelText_; }
    /// The painter, for inspection, with its background brought up to date.
    const RadarMapGenerator& Generator();
    /// How many times the painter's background has been built.
    int BackgroundBuilds() const { return background_.Builds(); }
    /// How many of them scaled the map picture (the others read a cached part).
    int BackgroundsScaled() const { return background_.Scaled(); }
    /// How many times the vector layers' overlay has been drawn.
    int LayerOverlayBuilds() const { return layers_.Builds(); }

private:
    void DataModuleCreate();
    void DataModuleDestroy();
    PixelView EchoView();
    /// Gives the painter the background asked for, if it has not got it yet.
    void RealiseBackground();
    /// RealiseBackground, then a pending reset of the echo image.
    void BringEchoUpToDate();
    /// Fills label white, sizes it to the text plus 2 pixels and draws the text in 12-point bold
    /// non-antialiased black with a white halo at (0, 0).
    static void RenderLabel(TBitmap& label, const QString& text);
    static void DrawRangeRings(TBitmap& frame);
    void DrawMapCaption(TBitmap& frame) const;
    /// Background without map: black, mapRect empty.
    void ClearMapBackground();
    /// The view PlaceMapPicture places the map in: around the radar once known, else around the
    /// map's middle; false when neither is known.
    bool CurrentView(GeoPoint& northWest, GeoPoint& southEast) const;
    /// Decodes the named map file into mapPicture when it has not been; false when it cannot be.
    bool DecodeMapFile();
    /// Asks the source for the basemap of the current view once after it changed, and takes it.
    void AskForBasemap();
    bool TakeBasemap(const PreparedPicture& warped);

    // Fields in the order of the module's data model.
    std::unique_ptr<TBitmap> echoBitmap_;
    std::unique_ptr<TBitmap> legendBitmap_;
    std::unique_ptr<TBitmap> timeLabelBitmap_;
    std::unique_ptr<TBitmap> rangeLabelBitmap_;
    std::unique_ptr<TBitmap> frameBitmap_;
    bool mapPlaced_ = false;
    std::unique_ptr<TBitmap> mapPicture_;
    GeoPoint mapNorthWest_;
    GeoPoint mapSouthEast_;
    QString mapCaption_;
    bool radarPositionKnown_ = false;
    GeoPoint radarPosition_;
    GeoPoint viewNorthWest_;
    GeoPoint viewSouthEast_;
    double displayRadiusMetres_ = 0.0;
    int displayRadiusPixels_ = 0;
    TRect mapRect_;
    std::array<ColourTable, 2> colourTables_{};

    // The painter with its prepared background, and the texts the two labels were last rendered
    // from.
    std::unique_ptr<RadarMapGenerator> map_;
    TMapBackground background_;
    std::uint64_t mapPictureId_ = 0; // counts the pictures taken; 0 is none
    std::string mapFile_;            // the named map file, while mapPicture may not be decoded yet
    bool mapDecoded_ = true;
    std::string basemapFile_; // the georeferenced raster shown as the map, if any
    /// A basemap asked of the source: the view box (none: the raster's own extent) and the size.
    struct BasemapRequest {
        std::optional<GeoBox> box;
        int width = 0;
        int height = 0;

        friend bool operator==(const BasemapRequest&, const BasemapRequest&) = default;
    };
    std::optional<BasemapRequest> basemapAskedFor_; // the last request, until the source has news
    TGeoDataSource* geoSource_ = nullptr;
    TVectorOverlay layers_;
    QString rangeLabelText_;
    QString timeLabelText_;
};

inline TImageEchoDrawModule* ImageEchoDrawModule = nullptr;
