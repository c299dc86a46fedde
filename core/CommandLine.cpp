#include "CommandLine.h"

#include "VersionInfo.h"

#include <QCommandLineParser>

using namespace Qt::StringLiterals;

CommandLine::CommandLine(const QStringList &arguments)
{
    if (arguments.size() < 2)
        return;
    const QString &first = arguments[1];
    const QString name = first.section(u'=', 0, 0);
    if (name != u"--help"_s && name != u"--version"_s && name != u"--open"_s)
        return;

    QCommandLineParser parser;
    parser.setApplicationDescription(u"ゲームブックプレイ支援ユーティリティ"_s);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(u"help"_s, u"このヘルプを表示して終了します。"_s);
    const QCommandLineOption version(u"version"_s, u"バージョンを表示して終了します。"_s);
    const QCommandLineOption open(
        u"open"_s, u"セーブファイル FILE を開いて起動します (拡張子の大文字小文字は問いません)。"_s,
        u"FILE"_s);
    parser.addOptions({help, version, open});
    parser.addPositionalArgument(u"FILE.PKD"_s, u"起動時に開くセーブファイル。"_s, u"[FILE.PKD]"_s);
    m_helpText = parser.helpText();

    // A launcher that has no file to hand over leaves "--open" alone: the window starts empty.
    if (first == u"--open"_s && arguments.size() == 2)
        return;
    // Only the first form counts; whatever follows it is ignored, as the window ignores
    // everything after its first argument.
    QStringList forms = arguments.mid(0, 2);
    if (first == u"--open"_s && arguments.size() > 2)
        forms.append(arguments[2]);
    if (!parser.parse(forms)) {
        m_action = Action::Fail;
        m_errorText = parser.errorText();
    } else if (parser.isSet(help)) {
        m_action = Action::Help;
    } else if (parser.isSet(version)) {
        m_action = Action::Version;
    } else {
        m_openFile = parser.value(open);
    }
}

QString CommandLine::helpText() const
{
    return m_helpText;
}

QString CommandLine::versionText()
{
    return u"Pelko "_s + readVersionItem(VersionInfo::FileVersion).value_or(QString()) + u'\n';
}
