#include "CommandLine.h"

#include "VersionInfo.h"

using namespace Qt::StringLiterals;

namespace {

// The options that need no value, each with the names it is known by.
struct Flag
{
    CommandLine::Action action;
    QStringList names;
};

const QList<Flag> &flags()
{
    static const QList<Flag> list{
        {CommandLine::Action::Help, {u"-h"_s, u"--help"_s}},
        {CommandLine::Action::Version, {u"--version"_s}},
    };
    return list;
}

} // namespace

CommandLine::CommandLine(const QStringList &arguments)
{
    if (!arguments.isEmpty())
        m_programName = arguments[0].mid(arguments[0].lastIndexOf(u'/') + 1);
    if (arguments.size() < 2)
        return;
    // Only the first argument can be one of these forms; whatever follows it is ignored, as the
    // window ignores everything after its first argument.
    const QString &first = arguments[1];
    const qsizetype equals = first.indexOf(u'=');
    const QString name = first.left(equals);
    for (const Flag &flag : flags()) {
        if (!flag.names.contains(name))
            continue;
        if (equals >= 0) {
            m_action = Action::Fail;
            m_errorText = u"オプション「%1」は値を取りません。"_s.arg(name);
        } else {
            m_action = flag.action;
        }
        return;
    }
    if (name == u"--pdf"_s) {
        // Both files are needed, and neither may be left empty: an empty output name would
        // leave the error to the write, after the save file was read.
        if (equals >= 0) {
            m_action = Action::Fail;
            m_errorText = u"オプション「--pdf」は値を取りません。"_s;
        } else if (arguments.size() <= PdfFileArgument ||
                   arguments[PdfSaveFileArgument].isEmpty() ||
                   arguments[PdfFileArgument].isEmpty()) {
            m_action = Action::Fail;
            m_errorText = u"使い方: --pdf セーブファイル 出力.pdf"_s;
        } else {
            m_action = Action::Pdf;
            m_openFile = arguments[PdfSaveFileArgument];
            m_pdfFile = arguments[PdfFileArgument];
        }
        return;
    }
    if (name != u"--open"_s)
        return;
    // A launcher that has no file to hand over leaves "--open" alone (or with an empty value):
    // the window starts empty.
    if (equals >= 0)
        m_openFile = first.mid(equals + 1);
    else if (arguments.size() > 2)
        m_openFile = arguments[2];
}

QString CommandLine::helpText() const
{
    const QString program = m_programName.isEmpty() ? u"pelko"_s : m_programName;
    return u"使い方: %1 [ファイル.PKD]\n"
           "        %1 --open ファイル\n"
           "        %1 --pdf セーブファイル 出力.pdf\n"
           "        %1 -h | --help | --version\n"
           "\n"
           "ゲームブックプレイ支援ユーティリティ\n"
           "\n"
           "引数:\n"
           "  ファイル.PKD       起動時に開くセーブファイル (拡張子は大文字の \".PKD\" のみ)。\n"
           "\n"
           "オプション (最初の引数のときだけ働きます):\n"
           "  --open ファイル    セーブファイルを開いて起動します (拡張子の大文字小文字は\n"
           "                     問いません)。\n"
           "  --pdf セーブファイル 出力.pdf\n"
           "                     セーブファイルの印刷用シートを PDF に書き出して終了します\n"
           "                     (ウィンドウもディスプレイも使いません)。\n"
           "  -h, --help         このヘルプを表示して終了します。\n"
           "  --version          バージョンを表示して終了します。\n"_s.arg(program);
}

QString CommandLine::versionText()
{
    return u"Pelko "_s + VersionInfo::buildVersion() + u'\n';
}
