#pragma once

#include "display/Geodatasource.h"

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

class QProcess;

// The viewer's side of nimbrook-gisprep, the program beside it that does the GDAL work: what it
// prepared is read from the user's cache folder (keyed by the source file's path, size and time and
// by the box and size), and what is not there yet is prepared by a run of the program. In the
// interactive viewer runs are asynchronous, so the window never waits for a large file; `onReady`
// is called when one has written its entry. When it waits (batch mode) each run is waited for.
class TGisPrepService final : public QObject, public TGeoDataSource {
public:
    /// Exit codes of the program (see tools/gisprep/main.cpp); -1 when it could not be run.
    enum Code : int { Done = 0, Usage = 1, Unreadable = 2, NoCoordinates = 3, Failed = 4, NotRun = -1 };
    /// The outcome of a check or of a preparation that failed: its code and the program's line.
    using Answer = std::function<void(int code, const QString& line)>;

    /// `program`: the helper's full path.
    explicit TGisPrepService(QString program, QObject* parent = nullptr);
    ~TGisPrepService() override;
    TGisPrepService(const TGisPrepService&) = delete;
    TGisPrepService& operator=(const TGisPrepService&) = delete;

    /// Waits for every run (batch mode) instead of running it in the background.
    void SetWaits(bool waits) { waits_ = waits; }
    bool Waits() const { return waits_; }
    /// Called when a background run has written its entry.
    std::function<void()> onReady;
    /// Called when a preparation failed: the file, the code and the program's line.
    std::function<void(const std::string& file, int code, const QString& line)> onFailure;

    std::optional<PreparedPicture> Basemap(const std::string& path, const GeoBox* box, int width,
                                           int height) override;
    std::optional<PreparedShapes> VectorLayer(const std::string& path, const GeoBox& box, int width,
                                              int height) override;

    /// Checks that the file at `path` is a raster (or a vector file) GDAL reads, with a coordinate
    /// system; `answer` gets the outcome (at once when waiting, else when the run ends).
    void Check(bool raster, const std::string& path, Answer answer);

    /// Runs still going.
    int Running() const { return static_cast<int>(runs_.size()); }

private:
    /// The entry's path for a preparation, or empty when there is no place for it.
    std::string EntryPath(const char* topic, const std::string& source, const std::string& placement);
    /// Starts (or, waiting, runs) the program with `arguments`; `answer` gets the outcome. A run
    /// for the same entry already going is not started twice.
    void Run(const std::string& entry, const QStringList& arguments, Answer answer);
    /// What a preparation's run answers: failures are remembered and reported, and a background
    /// run that wrote its entry calls onReady.
    Answer PreparationAnswer(const std::string& entry, const std::string& path);
    /// A source file that is not there (no key for it) is reported once.
    void ReportMissing(const std::string& path);

    QString program_;
    bool waits_ = false;
    std::unique_ptr<QTemporaryDir> fallback_; // where entries go without a cache folder
    std::map<std::string, QProcess*> runs_;   // by entry path
    std::set<std::string> failed_;            // entries whose preparation failed: not tried again
    std::set<std::string> missing_;           // source files reported missing
    int checks_ = 0;
};
