// Writes the fuzzers' binary seeds with the program's own writers:
//   fuzz_seeds SEEDS_DIR FARE.csv...
// SEEDS_DIR/hy3/<route>.hy3 for each sample route, and SEEDS_DIR/in4/ a
// first run's settings file and one with every text setting filled in.

#include "FareCsv.h"

#include "panel/Hy3File.h"
#include "panel/Hy3Layout.h"
#include "settings/mdlIniIo_517.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <exception>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: fuzz_seeds SEEDS_DIR [FARE.csv...]\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    try {
        for (int i = 2; i < argc; ++i) {
            const QString csv = QString::fromLocal8Bit(argv[i]);
            BoardLayout layout = BoardLayout::Tickets12;
            const auto records = FareCsv::parse(FareCsv::decode(readFile(csv)), &layout);
            writeFile(dir + QStringLiteral("/hy3/") + QFileInfo(csv).completeBaseName() + QStringLiteral(".hy3"),
                      Hy3File::write(records) + Hy3Layout::trailer(layout));
        }

        using namespace mdlIniIo_517;
        writeFile(dir + QStringLiteral("/in4/first-run.in4"), toFileBytes());
        FolderInfo.strHy3Dir = QStringLiteral("/home/運転士/路線");
        FolderInfo.strTpDir = QStringLiteral("/home/運転士/案内");
        PanelInfo.strOffImage = QStringLiteral("off.png");
        SoundInfo.strKeitoSound = QStringLiteral("key.wav");
        SoundInfo.strStepSound1 = QStringLiteral("step1.wav");
        SoundInfo.strPreSound3 = QStringLiteral("chime3.wav");
        SeiriPrevInfo.strSeiriPlg = QStringLiteral("hibari-plain.4SP");
        SeiriPrevInfo.strFixedDate = QStringLiteral("2024/04/01");
        DegitCell[7].nShift = 2;
        writeFile(dir + QStringLiteral("/in4/filled.in4"), toFileBytes());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fuzz_seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
