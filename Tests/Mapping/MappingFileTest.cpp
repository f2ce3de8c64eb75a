// Reading a mapping file: line separators, fields, refused rows, and files that cannot be read.
#include "Mapping/DataMapping.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

struct Entry {
    std::string name, property, type;
    bool operator==(const Entry& other) const {
        return name == other.name && property == other.property && type == other.type;
    }
};

std::ostream& operator<<(std::ostream& out, const Entry& entry) {
    return out << "{" << entry.name << "," << entry.property << "," << entry.type << "}";
}

std::vector<Entry> entries(const FieldMap& map) {
    std::vector<Entry> list;
    for (const auto& [name, entry] : map)
        list.push_back({name, entry.property, entry.type});
    return list;
}

class MappingFile : public ::testing::Test {
protected:
    // Loads `bytes` written to a file; the map is filled with junk first to see it emptied.
    std::vector<Entry> load(const std::string& bytes, std::int16_t expectedCode = 0) {
        FieldMap map{{"stale", {"X", "Y"}}};
        EXPECT_EQ(DataMapping().LoadvCardMapping(folder.write("map.csv", bytes), map),
                  expectedCode);
        return entries(map);
    }

    TempFolder folder;
};

const std::vector<Entry> kHomeAndCell{
    {"celltel", "TEL", "cell"}, {"home", "ADR", "HOME"}, {"uniqueid", "UID", ""}};

} // namespace

TEST_F(MappingFile, EveryLineEndReadsTheSame) {
    EXPECT_EQ(load("home,ADR,HOME\ncelltel,tel,cell\n"), kHomeAndCell);
    EXPECT_EQ(load("home,ADR,HOME\ncelltel,tel,cell"), kHomeAndCell);
    EXPECT_EQ(load("home,ADR,HOME\r\ncelltel,tel,cell\r\n"), kHomeAndCell);
    EXPECT_EQ(load("home,ADR,HOME\rcelltel,tel,cell\r"), kHomeAndCell);
    EXPECT_EQ(load("home,ADR,HOME\rcelltel,tel,cell"), kHomeAndCell);
    // Files split at CR because their only LF is among the last two bytes.
    EXPECT_EQ(load("home,ADR,HOME\rcelltel,tel,cell\r\n"), kHomeAndCell);
    EXPECT_EQ(load("home,ADR,HOME\rcelltel,tel,cell\n"), kHomeAndCell);
}

TEST_F(MappingFile, OneRowEndedByASingleLineFeedKeepsItsLastFieldClean) {
    // The file is split at CR; the LF ending the row is a line end, not part of the TYPE value.
    EXPECT_EQ(load("home,ADR,HOME\n"),
              (std::vector<Entry>{{"home", "ADR", "HOME"}, {"uniqueid", "UID", ""}}));
    EXPECT_EQ(load("email,email\n"),
              (std::vector<Entry>{{"email", "EMAIL", ""}, {"uniqueid", "UID", ""}}));
}

TEST_F(MappingFile, FieldsAreTakenAsWrittenNamesInLowerCase) {
    EXPECT_EQ(load("field,property,type\n"
                   "Home,adr,Home\n"
                   "work, ADR, WORK\n"
                   "fax,,TEL,,FAX,ignored\n"
                   "note,NOTE\n"
                   "\"q\",NOTE\n"
                   "note,Nickname,x\n"),
              (std::vector<Entry>{{"\"q\"", "NOTE", ""},
                                  {"fax", "TEL", "FAX"},
                                  {"field", "PROPERTY", "type"},
                                  {"home", "ADR", "Home"},
                                  {"note", "NICKNAME", "x"},
                                  {"uniqueid", "UID", ""},
                                  {"work", " ADR", " WORK"}}));
}

TEST_F(MappingFile, ReservedRowsAndRowsWithoutTwoFieldsAreSkipped) {
    EXPECT_EQ(load("etag,X\nmodifed_on,X\ncreated_on,X\nuniqueid,NOTE\nid,uid\nETag,X\n"
                   "\n,,,\nlonely\n,NOTE\n"),
              std::vector<Entry>{});
    EXPECT_EQ(load("uniqueid,NOTE\nmine,Uid,x\nnote,NOTE\n"),
              (std::vector<Entry>{{"note", "NOTE", ""}, {"uniqueid", "UID", ""}}));
    EXPECT_EQ(load(""), std::vector<Entry>{});
}

TEST_F(MappingFile, UnreadableFilesLeaveTheMapEmpty) {
    FieldMap map{{"stale", {"X", "Y"}}};
    EXPECT_EQ(DataMapping().LoadvCardMapping(folder.path() + "/missing.csv", map),
              DataMapping::kCannotOpen);
    EXPECT_TRUE(map.empty());

    map["stale"] = {"X", "Y"};
    EXPECT_EQ(DataMapping().LoadvCardMapping(folder.path(), map), DataMapping::kCannotOpen);
    EXPECT_TRUE(map.empty());
}

TEST_F(MappingFile, FilesOverTheSizeLimitAreRefusedUnread) {
    std::string rows;
    while (rows.size() < DataMapping::kMaxFileSize)
        rows += "note,NOTE\n";
    rows.resize(DataMapping::kMaxFileSize);
    EXPECT_EQ(load(rows).size(), 2u) << "a file of exactly the limit is read";
    EXPECT_EQ(load(rows + "x", DataMapping::kTooLarge), std::vector<Entry>{});
}
