#include "EntryGuard.h"
#include "MirvRes.h"

#include "FileFilter.h"
#include "platform/Cp932.h"
#include "platform/VbColor.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <algorithm>
#include <cstring>

namespace {

QString decoded(const char* text)
{
    return text ? Cp932::decodeForDisplay(QByteArray(text)) : QString();
}

QWidget* topOf(MrvWindow owner)
{
    auto* widget = static_cast<QWidget*>(owner);
    return widget ? widget->window() : nullptr;
}

// Copies bytes with their NUL when they fit; an empty text otherwise. Returns
// the full length either way, so that a caller can tell.
std::int32_t handBack(const QByteArray& bytes, char* result, std::int32_t resultSize)
{
    if (result && resultSize > 0) {
        if (bytes.size() < resultSize) {
            std::memcpy(result, bytes.constData(), static_cast<size_t>(bytes.size()));
            result[bytes.size()] = '\0';
        } else {
            result[0] = '\0';
        }
    }
    return static_cast<std::int32_t>(bytes.size());
}

// Every path handed back must travel as code page 932: a name it cannot hold
// is refused while the user can still pick another.
class PathDialog : public QFileDialog
{
public:
    PathDialog(QWidget* parent, const QString& title)
        : QFileDialog(parent, title)
    {
        setOption(QFileDialog::DontUseNativeDialog);
    }

protected:
    void done(int result) override
    {
        if (result == QDialog::Accepted) {
            for (const QString& path : selectedFiles()) {
                if (!Cp932::encode(path)) {
                    QMessageBox::warning(this, windowTitle(),
                                         QStringLiteral("「%1」には Shift_JIS (コードページ 932) で表せない文字が含まれているため、選べません。")
                                             .arg(QFileInfo(path).fileName()));
                    return;
                }
            }
        }
        QFileDialog::done(result);
    }
};

std::int32_t runPathDialog(PathDialog& dialog, char* result, std::int32_t resultSize)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return handBack({}, result, resultSize);
    return handBack(Cp932::encode(dialog.selectedFiles().constFirst()).value_or(QByteArray()), result, resultSize);
}

} // namespace

extern "C" {

int32_t KelFileDlg(MrvWindow owner, int32_t /*flags*/, const char* filter, const char* initial, const char* title,
                   char* result, int32_t resultSize)
{
    return guardedEntry([&] {
        PathDialog dialog(topOf(owner), decoded(title));
        dialog.setFileMode(QFileDialog::ExistingFile);
        const QStringList filters = FileFilter::qtNameFilters(FileFilter::parse(filter));
        if (!filters.isEmpty())
            dialog.setNameFilters(filters);
        const QFileInfo start(decoded(initial));
        if (start.isDir()) {
            dialog.setDirectory(start.absoluteFilePath());
        } else if (!start.filePath().isEmpty()) {
            dialog.setDirectory(start.absolutePath());
            dialog.selectFile(start.fileName());
        }
        return runPathDialog(dialog, result, resultSize);
    });
}

int32_t KelFolderDlg(MrvWindow owner, const char* title, char* result, int32_t resultSize)
{
    return guardedEntry([&] {
        PathDialog dialog(topOf(owner), decoded(title));
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        return runPathDialog(dialog, result, resultSize);
    });
}

int32_t KelChooseColor(MrvWindow owner, int32_t* colour, int32_t* custColors)
{
    return guardedEntry([&]() -> std::int32_t {
        if (!colour || !custColors)
            return 0;
        // Qt keeps sixteen custom colours, as many as the classic chooser;
        // the table's seventeenth entry has no slot and stays as it is.
        const int customSlots = std::min(QColorDialog::customCount(), 16);
        for (int i = 0; i < customSlots; ++i)
            QColorDialog::setCustomColor(i, VbColor::toQColor(custColors[i]));
        QColorDialog dialog(VbColor::toQColor(*colour), topOf(owner));
        dialog.setOption(QColorDialog::DontUseNativeDialog);
        dialog.setWindowTitle(QStringLiteral("色の設定"));
        if (dialog.exec() != QDialog::Accepted)
            return 0;
        *colour = VbColor::fromQColor(dialog.selectedColor());
        for (int i = 0; i < customSlots; ++i)
            custColors[i] = VbColor::fromQColor(QColorDialog::customColor(i));
        return 1;
    });
}

} // extern "C"
