#include "platform/AppError.h"

#include <new>
#include <utility>

namespace {

struct Description
{
    int number;
    const char16_t* text;
};

constexpr Description kDescriptions[] = {
    {5, u"プロシージャの呼び出し、または引数が不正です。"},
    {6, u"オーバーフローしました。"},
    {7, u"メモリが不足しています。"},
    {9, u"インデックスが有効範囲にありません。"},
    {11, u"0 で除算しました。"},
    {13, u"型が一致しません。"},
    {28, u"スタック領域が不足しています。"},
    {51, u"内部エラーです。"},
    {52, u"ファイル名または番号が不正です。"},
    {53, u"ファイルが見つかりません。"},
    {55, u"ファイルは既に開かれています。"},
    {57, u"デバイス I/O エラーです。"},
    {58, u"既に同名のファイルが存在しています。"},
    {61, u"ディスクの空き容量が不足しています。"},
    {62, u"ファイルにこれ以上データがありません。"},
    {68, u"デバイスが準備されていません。"},
    {70, u"書き込みできません。"},
    {71, u"ディスクが準備されていません。"},
    {75, u"パス名が無効です。"},
    {76, u"パスが見つかりません。"},
    {380, u"プロパティの値が不正です。"},
    {481, u"ピクチャが不正です。"},
};

} // namespace

AppError::AppError(int number)
    : AppError(number, standardDescription(number))
{
}

AppError::AppError(int number, QString description)
    : m_number(number)
    , m_description(std::move(description))
    , m_what(QStringLiteral("%1: %2").arg(number).arg(m_description).toStdString())
{
}

QString AppError::standardDescription(int number)
{
    for (const auto& d : kDescriptions) {
        if (d.number == number)
            return QString::fromUtf16(d.text);
    }
    return QStringLiteral("アプリケーション定義またはオブジェクト定義のエラーです。");
}

AppError AppError::fromCurrentException()
{
    try {
        throw;
    } catch (const AppError& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return AppError(ErrNo::OutOfMemory);
    } catch (const std::exception& e) {
        return AppError(ErrNo::InternalError, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return AppError(ErrNo::InternalError);
    }
}
