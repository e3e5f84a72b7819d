// What leaves the program: the only addresses it opens for a record are App Store pages built from
// the record's number, and it never hands anything to a shell.
#include "AppInfo.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <random>

using namespace Qt::StringLiterals;

namespace {

AppInfo withAdamID(const QString& adamID)
{
    return AppInfo(u"com.example.app"_s, u"App"_s, u"/Applications/App.app"_s, adamID, {}, {}, {});
}

// Nothing, or exactly the product page of the number: https, the store's host, "/app/id" and the
// digits (with the one "+" the scanner lets through), and nothing else anywhere in the address.
void expectProductPageOrNothing(const QString& adamID)
{
    const std::optional<QUrl> url = withAdamID(adamID).reviewURL();
    if (!url)
        return;
    static const QRegularExpression page(u"^https://apps\\.apple\\.com/app/id\\+?[0-9]+$"_s);
    const QString encoded = QString::fromLatin1(url->toEncoded());
    EXPECT_TRUE(page.match(encoded).hasMatch()) << qPrintable(encoded) << " from " << adamID.toStdString();
    EXPECT_EQ(url->scheme(), u"https"_s);
    EXPECT_EQ(url->host(), u"apps.apple.com"_s);
    EXPECT_EQ(url->path(QUrl::FullyEncoded), u"/app/id"_s + adamID) << "the number itself, unchanged";
    EXPECT_FALSE(url->hasQuery() || url->hasFragment() || !url->userInfo().isEmpty() || url->port() != -1)
        << qPrintable(encoded);
}

TEST(OpenedAddresses, HostileStoreNumbersGiveTheProductPageOrNothing)
{
    const QStringList hostile = {
        u""_s,
        u"+"_s,
        u"++1"_s,
        u"-1"_s,
        u"+-1"_s,
        u" 1"_s,
        u"1 "_s,
        u"1\n"_s,
        QString(u"1\0"_s),
        u"1/../../evil"_s,
        u"1?x=1"_s,
        u"1#top"_s,
        u"1%2F..%2F"_s,
        u"1@evil.example"_s,
        u"//evil.example"_s,
        u"javascript:alert(1)"_s,
        u"file:///etc/passwd"_s,
        u"1;rm -rf ~"_s,
        u"$(reboot)"_s,
        u"`id`"_s,
        u"１２３"_s /* full-width digits */,
        u"١٢٣"_s /* Arabic-Indic digits */,
        u"1e5"_s,
        u"0x10"_s,
        u"12\u200b3"_s /* zero-width space */,
        u"123\u202e"_s /* right-to-left override */,
        u"1\u0301"_s,
        QString(10000, u'9'),
        u"+"_s + QString(64, u'0'),
        u"123"_s,
        u"+123"_s,
        u"0"_s,
    };
    for (const QString& adamID : hostile)
        expectProductPageOrNothing(adamID);
    EXPECT_TRUE(withAdamID(u"123"_s).reviewURL().has_value());
    EXPECT_FALSE(withAdamID(u"1/../../evil"_s).reviewURL().has_value());

    // And texts made of the characters that mean something in an address, in any order.
    const QString alphabet = u"0123456789+-./:?#@%&=;$`'\" \t\n\\[]{}()~!*,١٢３\u200b\u202e\u0301é"_s;
    std::mt19937 random(20240229);
    std::uniform_int_distribution<qsizetype> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 12);
    for (int i = 0; i < 5000; ++i) {
        QString adamID;
        for (int n = length(random); n > 0; --n)
            adamID += alphabet.at(pick(random));
        expectProductPageOrNothing(adamID);
        if (::testing::Test::HasFailure())
            break;
    }
}

// Calls that start a process through a shell, or any process at all, which the program never needs:
// addresses go to the desktop through QDesktopServices.
const QRegularExpression& shellCall()
{
    static const QRegularExpression pattern(
        uR"((\bsystem|\bpopen|\bexec(l|lp|le|v|vp|vpe)|\bposix_spawnp?|\bwordexp)\s*\(|/bin/(ba|da|z)?sh\b|\bQProcess\b|startDetached)"_s);
    return pattern;
}

// Comments may name them; only code counts.
QString withoutComments(const QString& source)
{
    static const QRegularExpression comments(uR"(//[^\n]*|/\*.*?\*/)"_s,
                                             QRegularExpression::DotMatchesEverythingOption);
    return QString(source).remove(comments);
}

TEST(NoShell, TheProgramsSourcesNeverStartAShellOrAProcess)
{
    // The check itself must see what it looks for.
    for (const QString& code :
         { u"std::system(\"x\");"_s, u"popen(cmd, \"r\")"_s, u"execl(\"/bin/sh\", \"sh\")"_s,
           u"QProcess::startDetached(u\"sh\"_s)"_s, u"execvp (argv[0], argv)"_s })
        EXPECT_TRUE(shellCall().match(withoutComments(code)).hasMatch()) << qPrintable(code);
    for (const QString& code : { u"std::filesystem::status(path)"_s, u"// system(\"x\") is never called"_s,
                                 u"QOperatingSystemVersion::current()"_s })
        EXPECT_FALSE(shellCall().match(withoutComments(code)).hasMatch()) << qPrintable(code);

    const QString sources = QStringLiteral(KUDORA_SOURCE_DIR "/src");
    int files = 0;
    QDirIterator it(sources, { u"*.cpp"_s, u"*.h"_s }, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(file.fileName());
        const QString code = withoutComments(QString::fromUtf8(file.readAll()));
        const QRegularExpressionMatch match = shellCall().match(code);
        EXPECT_FALSE(match.hasMatch())
            << qPrintable(file.fileName()) << ": " << qPrintable(match.captured(0));
        ++files;
    }
    EXPECT_GT(files, 20) << "the sources were not found at " << qPrintable(sources);
}

} // namespace
