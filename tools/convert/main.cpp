// nimbrook-convert [--jobs N] [--small] [--settings INI] [--recursive] [--quiet]
//                  [--to jpeg|cfradial|odim|geotiff|kmz] [--out DIR] [--station NAME] [--cell-m M]
//                  [--loop OUT.webp|OUT.gif [--frame-ms MS] [--last-frame-ms MS]] PATH...
// nimbrook-convert [--jobs N] [--small] [--settings INI] [--quiet] --follow DIR
//
// Converts scan files to JPEG pictures exactly as `nimbrook FILE` does (the same picture beside
// the file, the same line in nimbrook.log in the working directory), but in one run: each worker
// process starts the viewer's modules once and converts file after file. It acts as the viewer
// installed beside it: its settings file, its logs. With --to cfradial, odim, geotiff or kmz the
// workers write those formats without starting the viewer (nimbrook-convert-formats, which this
// program runs for them, holds their libraries); with --loop the pictures become one animated WebP
// or GIF instead (Loopconvert.h).
#include "tools/convert/Convertrun.h"

int main(int argc, char** argv) {
    return RunConverter(argc, argv, nullptr);
}
