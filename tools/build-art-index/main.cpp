// build-art-index: writes an art-card index file from reference images of Art Series prints.
//
//   build-art-index <manifest.tsv | folder> <output.bin>
//
// A folder stands for its "manifest.tsv". Each manifest line: id, name, set code, collector
// number and optionally the image path, separated by tabs. The vectors come from the
// descriptor the application matches with, so the file can be shipped in resources/ or
// placed in "$XDG_DATA_HOME/Vantry Capture/".
#include "ArtIndexBuilder.h"

#include "core/art/VisionArtCardMatcher.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

using namespace vantry;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: build-art-index <manifest.tsv | folder> <output.bin>\n");
        return 2;
    }
    QString manifest = args[1];
    if (QFileInfo(manifest).isDir())
        manifest += QStringLiteral("/manifest.tsv");

    QString error;
    const auto sources = tools::readArtIndexManifest(manifest, &error);
    const auto index = sources ? tools::buildArtCardIndex(*sources, *VisionArtCardMatcher::shippedPrinter(), &error)
                               : std::nullopt;
    if (!index) {
        std::fprintf(stderr, "build-art-index: %s\n", qPrintable(error));
        return 1;
    }

    QSaveFile out(args[2]);
    if (!out.open(QIODevice::WriteOnly) || out.write(index->encoded()) < 0 || !out.commit()) {
        std::fprintf(stderr, "build-art-index: cannot write %s: %s\n", qPrintable(args[2]), qPrintable(out.errorString()));
        return 1;
    }
    std::printf("wrote %zu art-series prints (dim %lld, revision %d) to %s\n", index->entries.size(),
                static_cast<long long>(index->dimension), index->revision, qPrintable(args[2]));
    return 0;
}
