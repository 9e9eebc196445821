#pragma once

// The application as a test sees it: a scratch folder that holds the "executable" (and so its
// settings file) and the scan files, the scripted dialogs, and all twelve modules created the way
// the process entry creates them, with the main window shown on the offscreen platform.

#include "app/Applicationmodules.h"
#include "app/Fmain.h"
#include "app/Statuspanels.h"
#include "files/Gatecodec.h"
#include "platform/Processinfo.h"
#include "settings/Uinidata.h"
#include "tests/common/Scanfactory.h"
#include "tests/common/Scratchdir.h"
#include "tests/support/Qtprint.h"
#include "tests/support/Scripteddialogs.h"
#include "tools/scanwriter/Scanwriter.h"

#include <QCoreApplication>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

/// What a generated scan file holds. Every product of the mask gets `code(bit, ray, gate)`.
struct ScanSpec {
    /// Header layout and format version (the 54-byte layout only with the small device, version < 3).
    scanwriter::HeaderLayout layout = scanwriter::HeaderLayout::Bytes80;
    std::uint16_t version = 3;
    int rays = 36;
    int gates = 100;
    std::uint16_t gateSpacingCm = 10000; // 100 m
    std::uint16_t productMask = 0x01FF;
    std::uint16_t azimuthOffsetCentiDeg = 0; // 0xFFFF: the file gives none
    std::function<std::uint16_t(int ray)> azimuthCentiDeg = [](int ray) {
        return static_cast<std::uint16_t>(ray * 1000);
    };
    std::function<std::int16_t(int ray)> elevationCentiDeg = [](int) { return std::int16_t{50}; };
    /// Gate code of mask bit `bit` (0..7 products, 8 quality) in ray and gate.
    std::function<std::uint16_t(int bit, int ray, int gate)> code = [](int bit, int, int) {
        return bit == kQualityMaskBit ? std::uint16_t{0}
                                      : EncodeGateValue(static_cast<ProductKind>(bit), bit == 0 ? 10.0 : 1.0);
    };
    std::uint16_t minute = 30;
    /// Ray whose data block length word is made wrong, so that reading it fails (-1: none).
    int unreadableRay = -1;
};

/// Makes `folder` the working directory while it lives (batch runs write their log there).
class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const std::filesystem::path& folder)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~ScopedCurrentDir() { std::filesystem::current_path(previous_); }
    ScopedCurrentDir(const ScopedCurrentDir&) = delete;
    ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

private:
    std::filesystem::path previous_;
};

class AppFixture : public ::testing::Test {
protected:
    ScratchDir dir;
    ScriptedDialogs dialogs;

    QString ExePath() const { return QString::fromStdString(dir.File("nimbrook")); }
    std::string IniPath() const { return dir.File("nimbrook.ini"); }

    /// Writes a settings file with the given keys (INI key names) and their texts.
    void WriteSettings(const std::map<std::string, std::string>& values) {
        std::ofstream ini(IniPath(), std::ios::binary);
        std::string_view section;
        for (const SettingsKey& key : kSettingsKeys) { // grouped by section, in record order
            const auto it = values.find(std::string(key.key));
            if (it != values.end()) {
                if (key.section != section) {
                    section = key.section;
                    ini << "[" << section << "]\r\n";
                }
                ini << key.key << "=" << it->second << "\r\n";
            }
        }
    }

    /// Creates every module with this command line (after the program's name) and shows the window.
    void Start(const QStringList& arguments = {}) {
        const QStringList commandLine = QStringList{ExePath()} + arguments;
        process_ = std::make_unique<ScopedProcessInfo>(ExePath(), commandLine);
        modules_ = std::make_unique<TApplicationModules>(ParseStartOptions(commandLine));
        FormMain->show();
        Settle();
    }

    /// Destroys every module.
    void Stop() {
        modules_.reset();
        process_.reset();
    }

    void TearDown() override { Stop(); }

    /// Handles the events already posted (repaints); playback is driven by Tick, not by waiting.
    static void Settle() { QCoreApplication::sendPostedEvents(); }

    /// Writes a scan file `name` into the scratch folder and returns its path.
    std::string WriteScan(const std::string& name, const ScanSpec& spec = {},
                          scanwriter::Breakage breakage = scanwriter::Breakage::None) {
        scanwriter::ScanHeader header;
        header.layout = spec.layout;
        header.version = spec.version;
        header.rayCount = static_cast<std::uint16_t>(spec.rays);
        header.gateCount = static_cast<std::uint16_t>(spec.gates);
        header.gateSpacingCm = spec.gateSpacingCm;
        header.productMask = spec.productMask;
        header.azimuthOffsetCentiDeg = spec.azimuthOffsetCentiDeg;
        header.dateTimeA = {2025, 7, 12, 15, spec.minute, 0};
        header.dateTimeB = {2025, 7, 12, 15, spec.minute, 12};
        header.latitude = scanwriter::ToCoordinateWords(35.6586);
        header.longitude = scanwriter::ToCoordinateWords(139.7454);
        RayFill fill;
        fill.azimuthCentiDeg = spec.azimuthCentiDeg;
        fill.elevationCentiDeg = spec.elevationCentiDeg;
        fill.code = [&spec](int bit, int, int ray, int gate) { return spec.code(bit, ray, gate); };
        fill.arrayMask = spec.productMask;
        const int dataBytes = scanwriter::ArraysInMask(spec.productMask) * spec.gates * 2;
        fill.blocks = [&spec, dataBytes](int ray) {
            scanwriter::RayBlocks blocks;
            if (ray == spec.unreadableRay) {
                blocks.dataLength = 2 + dataBytes + 1;
            }
            return blocks;
        };
        const scanwriter::ScanFileBuilder builder = BuildScan(header, fill);
        const std::string path = dir.File(name);
        scanwriter::WriteFile(path, builder.Bytes(breakage));
        return path;
    }

    /// Chooses `paths` in the Open dialog (through the File menu).
    void OpenFiles(const std::vector<std::string>& paths) {
        TFileDialogAnswer answer{true, {}};
        for (const std::string& path : paths) {
            answer.files.append(QString::fromStdString(path));
        }
        dialogs.fileAnswers.push_back(answer);
        FormMain->MainMenuFileOpen->trigger();
        Settle();
    }

    /// One tick of the playback timer, as the event loop delivers it when the period is over.
    bool Tick() { return FormMain->TimerFilePlay.DeliverTick(); }

    int Position() const { return FormMain->TimerFilePlay.Tag(); }
    std::string ShownName() const { return FormMain->CurrentScan().name; }
    QString Panel(int panel) const { return FormMain->StatusBar1->PanelText(panel); }

private:
    std::unique_ptr<ScopedProcessInfo> process_;
    std::unique_ptr<TApplicationModules> modules_;
};
