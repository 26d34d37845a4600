// The launch routine on a fake platform: what it reads, starts, shows and returns.

#include "launcher.h"
#include "liveupdate_fake_platform.h"
#include "notices.h"
#include "products.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using corvanlu::MessageIcon;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

const std::string kItalianNotInstalled =
    "Questa operazione richiede una precedente installazione del servizio \"Corvan Live Update\" "
    "distribuito con il programma.\nAssicurarsi che il programma sia stato installato "
    "correttamente.";

const std::string kServicePath = "C:\\LU\\CorvanLiveUpdate.exe";

std::string defaultPath(const std::string& suffix)
{
    return std::string(corvanlu::defaultExecutableStem()) + suffix + ".exe";
}

class LaunchTest : public testing::Test {
protected:
    std::int32_t launch(std::string_view code, std::string_view name = "Mirelta",
                        std::string_view extra = "", std::uint8_t showMessages = 1)
    {
        return corvanlu::launchLiveUpdate(platform, state, {showMessages, code, name, extra});
    }

    std::string commandLineOfLaunch()
    {
        return platform.shellCalls.empty() ? "<not started>" : platform.shellCalls[0].parameters;
    }

    std::vector<std::string> webAddressesOpened()
    {
        std::vector<std::string> addresses;
        for (const auto& call : platform.shellCalls) {
            if (call.file.starts_with("https://")) {
                addresses.push_back(call.file);
            }
        }
        return addresses;
    }

    FakePlatform platform;
    corvanlu::LibraryState state;
};

TEST_F(LaunchTest, HostCallStartsTheConfiguredServiceWithTheProductsCommandLine)
{
    platform.installService(kServicePath);
    EXPECT_EQ(launch("CD4417", "Mirelta", "C:\\Programmi\\Mirelta"), 42);
    ASSERT_EQ(platform.shellCalls.size(), 1u);
    EXPECT_EQ(platform.shellCalls[0].file, kServicePath);
    EXPECT_EQ(platform.shellCalls[0].parameters, "CD4417 \"Mirelta\" \"C:\\Programmi\\Mirelta\"");
    EXPECT_THAT(platform.sectionsRead, ElementsAre("CorvanLiveUpdate.ini:Applicazione"));
    EXPECT_THAT(platform.messages, IsEmpty());
}

TEST_F(LaunchTest, MissingServiceShowsTheItalianTextAndOpensTheMakersAddress)
{
    EXPECT_EQ(launch("CD4417", "Mirelta", "C:\\Mirelta"), CORVANLU_SERVICE_NOT_INSTALLED);
    EXPECT_THAT(platform.defaultsRead, ElementsAre(defaultPath("")));
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].title, "Mirelta");
    EXPECT_EQ(platform.messages[0].text, kItalianNotInstalled);
    EXPECT_EQ(platform.messages[0].icon, MessageIcon::Information);
    ASSERT_EQ(platform.shellCalls.size(), 1u);
    EXPECT_EQ(platform.shellCalls[0].file, "https://www.corvan.example/");
    EXPECT_EQ(platform.shellCalls[0].parameters, "");
}

TEST_F(LaunchTest, TheDefaultPathIsUsedWhenNothingIsConfigured)
{
    platform.existingFiles.insert(defaultPath(""));
    EXPECT_EQ(launch("CD4417"), 42);
    ASSERT_EQ(platform.shellCalls.size(), 1u);
    EXPECT_EQ(platform.shellCalls[0].file, defaultPath(""));
}

TEST_F(LaunchTest, ConfiguredPathIsTrimmedAndABlankOneMeansNotInstalled)
{
    platform.existingFiles.insert(kServicePath);
    platform.setProfileValue("CorvanLiveUpdate.ini", "Applicazione", "exe",
                             " \t" + kServicePath + " \r\n");
    EXPECT_EQ(launch("CD4417"), 42);
    EXPECT_EQ(platform.shellCalls.at(0).file, kServicePath);

    FakePlatform blank;
    blank.existingFiles.insert(defaultPath(""));
    blank.setProfileValue("CorvanLiveUpdate.ini", "Applicazione", "exe", "   ");
    EXPECT_EQ(corvanlu::launchLiveUpdate(blank, state, {1, "CD4417", "Mirelta", ""}),
              CORVANLU_SERVICE_NOT_INSTALLED);
}

TEST_F(LaunchTest, BlankCodeReturnsMinusOneBeforeDoingAnything)
{
    for (const std::string_view code : {"", "   ", "\t\r\n ", "\x01\x1f"}) {
        EXPECT_EQ(launch(code), CORVANLU_EMPTY_PRODUCT_CODE);
    }
    EXPECT_THAT(platform.sectionsRead, IsEmpty());
    EXPECT_THAT(platform.shellCalls, IsEmpty());
    EXPECT_THAT(platform.messages, IsEmpty());
}

TEST_F(LaunchTest, NameWithoutTextReturnsMinusTwoSilently)
{
    for (const std::string_view name : {"", "  ", "\"\"", " \" \" \"\t"}) {
        EXPECT_EQ(launch("CD4417", name, "C:\\Mirelta", 1), CORVANLU_EMPTY_PRODUCT_NAME);
    }
    EXPECT_THAT(platform.sectionsRead, IsEmpty());
    EXPECT_THAT(platform.shellCalls, IsEmpty());
    EXPECT_THAT(platform.messages, IsEmpty());
}

TEST_F(LaunchTest, ShellErrorIsReturnedAndReportedWithItsNumberAndText)
{
    platform.installService(kServicePath);
    platform.shellResult = 2;
    EXPECT_EQ(launch("CD4417", " Mirelta "), 2);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].title, "Mirelta");
    EXPECT_EQ(platform.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(
        platform.messages[0].text,
        "Non è stato possibile eseguire il servizio \"Corvan Live Update\" distribuito con il "
        "programma.\nIl sistema operativo ha segnalato il seguente problema:\n2\n"
        "system text 2");
    EXPECT_THAT(webAddressesOpened(), IsEmpty());
}

TEST_F(LaunchTest, ShellResultsAbove32AreSuccessesAndUpTo32Errors)
{
    platform.installService(kServicePath);
    platform.shellResult = 33;
    EXPECT_EQ(launch("CD4417"), 33);
    platform.shellResult = 32;
    EXPECT_EQ(launch("CD4417"), 32);
    platform.shellResult = 0;
    EXPECT_EQ(launch("CD4417"), 0);
    EXPECT_EQ(platform.messages.size(), 2u);
}

TEST_F(LaunchTest, ShowMessagesZeroSuppressesBothMessagesButNotTheWebAddress)
{
    EXPECT_EQ(launch("CD4417", "Mirelta", "", 0), CORVANLU_SERVICE_NOT_INSTALLED);
    EXPECT_THAT(webAddressesOpened(), ElementsAre("https://www.corvan.example/"));

    platform.installService(kServicePath);
    platform.shellResult = 5;
    EXPECT_EQ(launch("CD4417", "Mirelta", "", 0), 5);
    EXPECT_THAT(platform.messages, IsEmpty());
}

TEST_F(LaunchTest, LaunchFailuresAreReportedOnlyForShowMessagesOne)
{
    // Any other non-zero value still shows the not-installed message.
    EXPECT_EQ(launch("CD4417", "Mirelta", "", 2), CORVANLU_SERVICE_NOT_INSTALLED);
    EXPECT_EQ(platform.messages.size(), 1u);

    platform.installService(kServicePath);
    platform.shellResult = 2;
    EXPECT_EQ(launch("CD4417", "Mirelta", "", 2), 2);
    EXPECT_EQ(platform.messages.size(), 1u);
}

TEST_F(LaunchTest, FailuresWhileStartingOrReportingBecomeMinusFour)
{
    platform.installService(kServicePath);
    platform.shellFails = true;
    EXPECT_EQ(launch("CD4417"), CORVANLU_UNEXPECTED_FAILURE);

    FakePlatform missing;
    missing.messageFails = true;
    EXPECT_EQ(corvanlu::launchLiveUpdate(missing, state, {1, "CD4417", "Mirelta", ""}),
              CORVANLU_UNEXPECTED_FAILURE);
    missing.messageFails = false;
    missing.shellFails = true;
    EXPECT_EQ(corvanlu::launchLiveUpdate(missing, state, {1, "CD4417", "Mirelta", ""}),
              CORVANLU_UNEXPECTED_FAILURE);
}

TEST_F(LaunchTest, CodeIsTrimmedAndOnlyAsciiLettersAreUpperCased)
{
    platform.installService(kServicePath);
    launch(" \tcd4417x\r\n");
    launch("cd\xe9z");
    ASSERT_EQ(platform.shellCalls.size(), 2u);
    EXPECT_EQ(platform.shellCalls[0].parameters, "CD4417X \"Mirelta\"");
    EXPECT_EQ(platform.shellCalls[1].parameters, "CD\xe9Z \"Mirelta\"");
}

TEST_F(LaunchTest, NameKeepsItsQuotesInTheCaptionButNotOnTheCommandLine)
{
    launch("CD4417", "  Il \"Mio\" Programma ");
    EXPECT_EQ(platform.messages.at(0).title, "Il \"Mio\" Programma");

    platform.shellCalls.clear();
    platform.installService(kServicePath);
    launch("CD4417", " \" Mirelta \"\t");
    EXPECT_EQ(commandLineOfLaunch(), "CD4417 \"Mirelta\"");
}

TEST_F(LaunchTest, ExtraArgumentIsQuotedWithoutItsQuotesAndLeftOutWhenBlank)
{
    platform.installService(kServicePath);
    const std::pair<std::string_view, std::string> cases[] = {
        {"  C:\\Program Files\\Mirelta  ", "CD4417 \"Mirelta 2\" \"C:\\Program Files\\Mirelta\""},
        {"\"C:\\Mirelta\"", "CD4417 \"Mirelta 2\" \"C:\\Mirelta\""},
        {"", "CD4417 \"Mirelta 2\""},
        {" \t ", "CD4417 \"Mirelta 2\""},
        {" \" \" ", "CD4417 \"Mirelta 2\""},
        {"C:\\", "CD4417 \"Mirelta 2\" \"C:\\\\\""}, // a drive root keeps its backslash
    };
    for (const auto& [extra, expected] : cases) {
        platform.shellCalls.clear();
        launch("CD4417", "Mirelta 2", extra);
        EXPECT_EQ(commandLineOfLaunch(), expected) << "extra argument [" << extra << "]";
    }
}

TEST_F(LaunchTest, TheSpecialLegacyCodeTakesItsOwnTitle)
{
    platform.installService(kServicePath);
    EXPECT_EQ(launch("cd1020", ""), 42);
    EXPECT_EQ(commandLineOfLaunch(), "CD4020 \"Corvan Gestionale 98\"");

    platform.existingFiles.clear();
    launch("CD1020", "Altro nome");
    EXPECT_EQ(platform.messages.at(0).title, "Corvan Gestionale 98");
}

TEST_F(LaunchTest, LegacyCodesAreRemappedBeforeTheBrandTest)
{
    platform.installService(kServicePath);
    launch("CD1101");
    EXPECT_EQ(commandLineOfLaunch(), "CD4101 \"Mirelta\"");
    EXPECT_EQ(state.webAddress(), "https://www.corvan.example/");

    // CD1235 now stands for an alternate-brand product.
    platform.shellCalls.clear();
    launch("CD1235");
    EXPECT_EQ(commandLineOfLaunch(), "CD6120 \"Mirelta\"");
    EXPECT_EQ(state.webAddress(), "https://www.solvea.example/");
}

TEST_F(LaunchTest, AlternateBrandCodesAreReplacedAndCD6CodesKept)
{
    platform.installService(kServicePath);
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"2004101", "CD6101"}, {"CD3245", "CD6245"}, {"CD6999", "CD6999"}, {"cd6101", "CD6101"}};
    for (const auto& [code, expected] : cases) {
        platform.shellCalls.clear();
        launch(code);
        EXPECT_EQ(commandLineOfLaunch(), std::string(expected) + " \"Mirelta\"") << code;
        EXPECT_THAT(platform.sectionsRead, ElementsAre("CorvanLiveUpdate.ini:Applicazione"));
        platform.sectionsRead.clear();
    }
}

TEST_F(LaunchTest, AlternateBrandSwitchesTheWebAddressForLaterCalls)
{
    launch("CD4417");
    launch("2004230");
    launch("CD4417");
    EXPECT_THAT(webAddressesOpened(),
                ElementsAre("https://www.corvan.example/", "https://www.solvea.example/",
                            "https://www.solvea.example/"));
}

TEST_F(LaunchTest, CD6CodesFallBackToTheFolderConfiguredForTheAlternateBrand)
{
    const std::pair<std::string, std::string> cases[] = {
        {"D:\\Solvea\\Update\\SolveaUpdate.exe", "D:\\Solvea\\Update\\CorvanLiveUpdate.exe"},
        {" /opt/solvea/bin/update ", "/opt/solvea/bin/CorvanLiveUpdate.exe"},
        {"E:SolveaUpdate.exe", "E:CorvanLiveUpdate.exe"},
        {"SolveaUpdate.exe", "CorvanLiveUpdate.exe"},
    };
    for (const auto& [configured, expected] : cases) {
        FakePlatform fallback;
        fallback.setProfileValue("SolveaLiveUpdate.ini", "Applicazione", "exe", configured);
        fallback.existingFiles.insert(expected);
        EXPECT_EQ(corvanlu::launchLiveUpdate(fallback, state, {1, "CD6101", "Mirelta", ""}), 42);
        ASSERT_EQ(fallback.shellCalls.size(), 1u);
        EXPECT_EQ(fallback.shellCalls[0].file, expected);
    }
}

TEST_F(LaunchTest, TheAlternateBrandFileIsReadOnlyForCD6CodesWithoutTheMakersService)
{
    launch("CD4417");
    EXPECT_THAT(platform.sectionsRead, ElementsAre("CorvanLiveUpdate.ini:Applicazione"));

    platform.sectionsRead.clear();
    platform.shellCalls.clear();
    EXPECT_EQ(launch("2004115"), CORVANLU_SERVICE_NOT_INSTALLED);
    EXPECT_THAT(platform.sectionsRead, ElementsAre("CorvanLiveUpdate.ini:Applicazione",
                                                   "SolveaLiveUpdate.ini:Applicazione"));
    EXPECT_THAT(webAddressesOpened(), ElementsAre("https://www.solvea.example/"));

    platform.sectionsRead.clear();
    platform.installService(kServicePath);
    EXPECT_EQ(launch("CD6115"), 42);
    EXPECT_THAT(platform.sectionsRead, ElementsAre("CorvanLiveUpdate.ini:Applicazione"));
}

struct EditionCase {
    std::string code;
    std::string suffix;
    std::string notInstalledText;
    bool opensWebAddress;
};

const EditionCase kEditions[] = {
    {"ECD4417", "Eng",
     "Questa operazione richiede una precedente installazione del servizio \"Corvan Live "
     "Update\" distribuito con il programma.\nAssicurarsi che il programma sia stato installato "
     "correttamente.",
     false},
    {"scd4417", "Esp",
     "Esta operación requiere una instalación anterior del servicio \"Corvan Live Update\" "
     "distribuido con el programa.\nAsegurarse de que el programa se haya instalado "
     "correctamente.",
     false},
    {"FCD4417", "Fra",
     "Cette opération requiert l'installation préalable du service \"Corvan Live Update\" "
     "distribué avec le programme.\nS'assurer que le programme a bien été installé "
     "correctement.",
     false},
    {"DCD4417", "Deu",
     "Diese Operation erfordert eine ältere Version des Programms\"Corvan Live Update\".\nBitte "
     "versichern Sie sich, dass das Produkt korrekt installiert wurde.",
     false},
    {"DC4417", "", kItalianNotInstalled, true},
    {"1234567", "", kItalianNotInstalled, true},
};

TEST_F(LaunchTest, TheCodesFirstCharactersChooseSectionDefaultPathAndMessages)
{
    for (const EditionCase& edition : kEditions) {
        FakePlatform missing;
        EXPECT_EQ(corvanlu::launchLiveUpdate(missing, state, {1, edition.code, "Mirelta", ""}),
                  CORVANLU_SERVICE_NOT_INSTALLED);
        EXPECT_THAT(missing.sectionsRead,
                    ElementsAre("CorvanLiveUpdate.ini:Applicazione" + edition.suffix))
            << edition.code;
        EXPECT_THAT(missing.defaultsRead, ElementsAre(defaultPath(edition.suffix)));
        ASSERT_EQ(missing.messages.size(), 1u);
        EXPECT_EQ(missing.messages[0].text, edition.notInstalledText) << edition.code;
        EXPECT_EQ(missing.shellCalls.size(), edition.opensWebAddress ? 1u : 0u) << edition.code;
    }
}

TEST(LaunchFailedMessage, IsFormattedInEachLanguage)
{
    using corvanlu::Language;
    EXPECT_EQ(corvanlu::launchFailedMessage(Language::German, 31, "Keine Zuordnung."),
              "Das Programm \"Corvan Live Update\" konnte nicht gestartet werden.\nDas "
              "Betriebssystem hat folgenden Fehler gemeldet:\n31\nKeine Zuordnung.");
    EXPECT_EQ(corvanlu::launchFailedMessage(Language::French, 5, "Accès refusé."),
              "Il n'a pas été possible d'activer le service \"Corvan Live Update\" distribué avec "
              "le programme.\nLe système d'exploitation a signalé le problème suivant :\n5\nAccès "
              "refusé.");
    EXPECT_EQ(corvanlu::launchFailedMessage(Language::Spanish, 0, "Sin memoria."),
              "No ha sido posible ejecutar el servicio \"Corvan Live Update\" distribuido con el "
              "programa.\nEl sistema operativo ha señalado el siguiente problema:\n0\nSin "
              "memoria.");
    EXPECT_EQ(corvanlu::launchFailedMessage(Language::English, 2, "x"),
              corvanlu::launchFailedMessage(Language::Italian, 2, "x"));
}

TEST(FormatMessage, PlaceholdersInTheArgumentsAreNotExpanded)
{
    EXPECT_EQ(corvanlu::formatMessage("%s|%d|%s", {"a%s", "7", "%d%%"}), "a%s|7|%d%%");
    EXPECT_EQ(corvanlu::formatMessage("%s and %s%", {"one"}), "one and %s%");
    EXPECT_EQ(corvanlu::formatMessage("100% %x", {"unused"}), "100% %x");
}

} // namespace
