// The card summary reads only five properties and skips the rest unread; it must still give
// exactly what summarising the full reader's items gives, for any text.
#include "SummaryOfItems.h"
#include "vCard/vCardParser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

void expectSameSummary(const std::string& text) {
    SCOPED_TRACE(testing::PrintToString(text));
    const vCardMini expected = summaryOfItems(text);
    const vCardMini summary = readCardSummary(text);
    EXPECT_EQ(summary.version, expected.version);
    EXPECT_EQ(summary.fn, expected.fn);
    EXPECT_EQ(summary.uid, expected.uid);
    EXPECT_EQ(summary.isgroup, expected.isgroup);
    EXPECT_EQ(summary.members, expected.members);
    EXPECT_EQ(summary.categories, expected.categories);
}

// Deterministic pseudo-random numbers, so that every run checks the same texts.
class Random {
public:
    std::uint32_t below(std::uint32_t bound) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state >> 33) % bound;
    }

private:
    std::uint64_t state = 0x5EED;
};

} // namespace

TEST(CardSummary, MatchesTheFullReaderOnTrickyCards) {
    const char* texts[] = {
        "",
        "BEGIN:VCARD",
        "BEGIN:VCARD\r\nFN:no end\r\n",
        "BEGIN:VCARD\r\nFN:a\r\nUID:u\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:b\r\nEND:VCARD\r\n",
        "begin:vcard\nfn:lower\nuid:u\nversion:4.0\nend:vcard\n",
        "BEGIN:VCARD\rFN:cr only\rEND:VCARD\r",
        "BEGIN:VCARD \r\nFN:trailing blank\r\nEND:VCARD\r\n",
        // Names and colons on continuation lines, continuations right after BEGIN.
        "BEGIN:VCARD\r\nF\r\n N:folded name\r\nUI\r\n\r\n\tD:u\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\n FN:starts folded\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\n \r\nUID;X=1\r\n :late colon\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nFN;\r\n X=1:v\r\nUID\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nFN:a\r\n  b\r\n\tc\r\nFN:last wins\r\nEND:VCARD\r\n",
        // Parameters, empty values, group prefixes, colons in values.
        "BEGIN:VCARD\r\nFN;CHARSET=UTF-8:x:y;z\r\nUID:\r\nITEM1.FN:not this\r\n"
        "FN X:nor this\r\n:no name\r\nEND:VCARD\r\n",
        // Groups: any case of the kind, a later other kind, member forms.
        "BEGIN:VCARD\r\nX-ADDRESSBOOKSERVER-KIND:GrOuP\r\nx-addressbookserver-kind:individual\r\n"
        "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:a\r\nX-ADDRESSBOOKSERVER-MEMBER:urn:uurn:uuid:uid:"
        "b\r\n"
        "X-ADDRESSBOOKSERVER-MEMBER;X=1:\r\nX-ADDRESSBOOKSERVER-MEMBER:urn:\r\n uuid:c\r\n"
        "END:VCARD\r\n",
        "BEGIN:VCARD\r\nX-ADDRESSBOOKSERVER-KIND:group \r\nX-ADDRESSBOOKSERVER-KIND:\r\n"
        " group\r\nEND:VCARD\r\n",
        // vCard 4 groups; nested cards are skipped, a second card is not read.
        "BEGIN:VCARD\r\nVERSION:4.0\r\nkind:GROUP\r\nitem1.MEMBER:urn:uuid:a\r\n"
        "MEMBER:mailto:b@x\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nFN:a\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:b\r\nUID:x\r\nEND:VCARD\r\nFN:c\r\n"
        "END:VCARD\r\nBEGIN:VCARD\r\nUID:second\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nFN:a\\\r\nb\\\r\nUID:u\r\nBEGIN:VCARD\r\nFN:open",
        "BEGIN:VCARD\r\nVERSION:3.0\r\nPHOTO;ENCODING=b;TYPE=JPEG:\r\n AAAA\r\n BBBB\r\nFN:p\r\n"
        "END:VCARD",
        "BEGIN:VCARD\r\nFN:x\r\nEND:VCARD",
        "BEGIN:VCARD\r\nFN:\xC3\r\n \xA9\r\nEND:VCARD\r\n",
        // Byte-order mark, CR CR LF, groups, quoted parameters.
        "\xEF\xBB\xBF"
        "BEGIN:VCARD\r\r\nFN:bom\r\r\nitem1.UID:grouped\r\r\nEND:VCARD\r\r\n",
        "BEGIN:VCARD\r\nFN;X=\"a:b;c\":quoted\r\nUID;X=\"open:u\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nFN;X=\"a:\r\n b\";QUOTED-PRINTABLE:=41=\r\nUID:hidden\r\nEND:VCARD\r\n",
        // Quoted-printable: decoded, joined across soft breaks that hide property lines.
        "BEGIN:VCARD\r\nFN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:Ren=E9=\r\nUID:no\r\n"
        "UID;QUOTED-PRINTABLE:u=3D1\r\nX-ADDRESSBOOKSERVER-MEMBER;QUOTED-PRINTABLE:urn:uuid:=\r\n"
        "m=\r\n\r\n X\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nNOTE;QUOTED-PRINTABLE:=\r\nFN:inside\r\nFN:outside\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nNOTE;ENCODING=QUOTED-\r\n PRINTABLE:=\r\nFN:inside\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nNOTE;QUOTED-PRINTABLE:=\r\nEND:VCARD\r\nFN:after\r\n",
        // Values taken as they stand only when nothing in them needs decoding: escapes, a fold,
        // 8-bit bytes with and without CHARSET (past the first eight bytes too), a CR in a name.
        "BEGIN:VCARD\r\nFN:a\\,b\\nc\r\nUID:card-\r\n 1234\r\nCATEGORIES:x\\,y,z\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nFN;ENCODING=QUOTED-PRINTABLE:J=C3=BCrgen\r\nUID:12345678\xE9\r\n"
        "VERSION;CHARSET=ISO-8859-1:caf\xE9\r\nitem2.fn:Ren\xC3\xA9\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\r\nFN:a\r\na\rb.FN:cr in the group\r\nUID;CHARSET=UTF-8:u\r\nEND:VCARD\r\n",
        // Lines before the card, in either line end.
        "\nnote\r\nBEGIN:VCARD\nFN:x\nEND:VCARD\n",
        "note\rBEGIN:VCARD\rFN:y\rEND:VCARD\r",
    };
    for (const char* text : texts)
        expectSameSummary(text);
}

TEST(CardSummary, MatchesTheFullReaderOnTheFuzzSeeds) {
    const std::filesystem::path seeds =
        std::filesystem::path(TALVERO_SOURCE_DIR) / "Tests" / "Fuzz" / "corpus" / "vcard";
    int read = 0;
    for (const auto& entry : std::filesystem::directory_iterator(seeds)) {
        std::ifstream file(entry.path(), std::ios::binary);
        expectSameSummary(std::string(std::istreambuf_iterator<char>(file), {}));
        ++read;
    }
    EXPECT_GT(read, 0);
}

TEST(CardSummary, MatchesTheFullReaderOnGeneratedTexts) {
    // Pieces from which folds, line ends, names, parameters and values fall in every order.
    const std::vector<std::string> pieces = {"BEGIN:VCARD",
                                             "END:VCARD",
                                             "begin:vcard",
                                             "\r\n",
                                             "\n",
                                             "\r",
                                             " ",
                                             "\t",
                                             ":",
                                             ";",
                                             "=",
                                             "FN",
                                             "fn",
                                             "F",
                                             "N",
                                             "UID",
                                             "U",
                                             "ID",
                                             "VERSION",
                                             "X-ADDRESSBOOKSERVER-KIND",
                                             "X-ADDRESSBOOKSERVER-MEMBER",
                                             "x-addressbookserver-",
                                             "MEMBER",
                                             "KIND",
                                             "group",
                                             "GROUP",
                                             "urn:uuid:",
                                             "urn:",
                                             "uuid:",
                                             "ITEM1.",
                                             "PHOTO",
                                             "value",
                                             "a",
                                             "\xC3\xA9",
                                             "\"",
                                             "=",
                                             "=\r\n",
                                             "=41",
                                             "QUOTED-PRINTABLE",
                                             "ENCODING=QUOTED-PRINTABLE",
                                             "CHARSET=ISO-8859-1",
                                             "=E9",
                                             "\r\r\n",
                                             "\xEF\xBB\xBF",
                                             "\\",
                                             "x y"};
    Random random;
    for (int text = 0; text < 3000; ++text) {
        std::string card = "BEGIN:VCARD\r\n";
        const std::uint32_t count = 1 + random.below(40);
        for (std::uint32_t i = 0; i < count; ++i)
            card += pieces[random.below(static_cast<std::uint32_t>(pieces.size()))];
        if (random.below(2))
            card += "\r\nEND:VCARD\r\n";
        expectSameSummary(card);
        if (HasFailure())
            return;
    }
}

TEST(CardSummary, SkipsOtherPropertiesEvenWhenAFoldCutsTheName) {
    const std::string photo(100 * 1024, 'A');
    const vCardMini summary =
        readCardSummary("BEGIN:VCARD\r\nPHOTO;ENCODING=b:\r\n " + photo +
                        "\r\nUI\r\n D:u-1\r\nFN:Photo Person\r\nEND:VCARD\r\n");
    EXPECT_EQ(summary.uid, "u-1");
    EXPECT_EQ(summary.fn, "Photo Person");
}

// A listing asks every card for a few properties; a server that sends the whole card sends more,
// and only then may its text stand for the card.
TEST(CardSummary, TellsAWholeCardFromTheListingsFewProperties) {
    const std::pair<const char*, bool> cases[] = {
        {"BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u\r\nFN:A\r\nEND:VCARD\r\n", false},
        // What a server may add to anything it sends, and what a listing may also ask.
        {"BEGIN:VCARD\r\nPRODID:-//S//EN\r\nREV:2024\r\nUID:u\r\nCATEGORIES:x\r\nKIND:group\r\n"
         "MEMBER:urn:uuid:m\r\nitem1.X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:n\r\nEND:VCARD\r\n",
         false},
        {"\xEF\xBB\xBF"
         "BEGIN:VCARD\n\nVERSION:3.0\n\nUID:u\n\nEND:VCARD\n\n",
         false},
        {"BEGIN:VCARD\r\nUID:u\r\nN:A;;;;\r\nEND:VCARD\r\n", true},
        {"BEGIN:VCARD\r\nUID:u\r\nitem1.EMAIL:a@b\r\nEND:VCARD\r\n", true},
        {"BEGIN:VCARD\r\nUID:u\r\nPHOTO;ENCODING=b:\r\n AAAA\r\nEND:VCARD\r\n", true},
    };
    for (const auto& [text, whole] : cases)
        EXPECT_EQ(readCardSummary(text).whole, whole) << text;
}
