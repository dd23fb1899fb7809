// The forms' Song-style font: the subset of the installed font compiled into the program, registered once
// per application object, with the full font behind it for anything else.
#include "platform/Fonts.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>
#include <QPointer>
#include <QResource>

// Named here, so that whatever links the layer's library keeps the font compiled into it.
static void InitFontResource() {
    Q_INIT_RESOURCE(song_font);
}

namespace {
// The build cuts it from the installed AR PL UMing CN and names it so (res/make-font-subset).
const QString SubsetFile = QStringLiteral(":/fonts/song-subset.ttf");
const QString SubsetFamily = QStringLiteral("AR PL UMing CN Redate");
} // namespace

void InstallSongFont() {
    // Application fonts belong to one application object; tests make several in turn.
    static QPointer<QCoreApplication> registeredFor;
    if (registeredFor != QCoreApplication::instance()) {
        registeredFor = QCoreApplication::instance();
        InitFontResource();
        // Stored uncompressed, so the font is read where it lies in the program, never copied.
        const QResource subset(SubsetFile);
        if (subset.isValid() && subset.compressionAlgorithm() == QResource::NoCompression)
            QFontDatabase::addApplicationFontFromData(
                QByteArray::fromRawData(reinterpret_cast<const char*>(subset.data()), subset.size()));
    }
    // The subset has only the program's texts; what an operator types beyond them comes from the
    // full font behind it, as it did before the subset.
    QFont::insertSubstitutions(
        QStringLiteral("宋体"),
        {SubsetFamily, QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW")});
}
