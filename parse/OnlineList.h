#pragma once
// The people-list page scan and the list fill built on it.
//
// The scan is not an HTML parser. Within the 99,999 bytes that begin at the
// first "table" of the received text it skips the first table row (the
// heading) and then reads every "<tr>" as a member row of six "<td>" cells,
// each search running over the whole rest of that window: a row short of
// cells borrows them from the rows after it, and the scan goes on after the
// first "</tr>" behind the last cell it took. Markers are matched exactly as
// written, lower case, without attributes. The scan keeps positions into the
// caller's text and copies nothing.

#include "MemberStore.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The contents of one row's six cells: state, number, sex, age, place, theme.
struct MemberCells {
    std::string_view Cells[6];
};

// One member as a row of the list.
struct MemberRow {
    std::string Number;
    std::string State;
    std::string Sex;
    std::string Age;
    std::string Place;
    std::string Theme;
    std::string Profile;
    int Face = 0;
    int StateIndex = 1; // 1 for a number new since start, 0 for one seen before
};

// Calls onRow for every member row, in page order; false (and no call) when
// the text holds no "table".
bool ScanOnlineList(std::string_view text, const std::function<void(const MemberCells&)>& onRow);

// The page's fields of a row: number trimmed, state, sex and age decoded,
// place and theme as they stand.
MemberRow RowFromCells(const MemberCells& cells);

// A face as stored in the face file. Faces other than 0 to 3 (only a file
// written by hand holds them) count as face 0, the ordinary face, for the
// filter and for the picture.
int FaceFromValue(std::string_view value);

// Whether a row of this face and sex is listed under the filter mask: bit
// face for the face, and bits 4 (female) and 5 (male) for the sex, all sexes
// when neither is set. A face outside 0 to 3 counts as face 0.
bool PassesFilter(int filterMask, int face, std::string_view sex);

// The rows a fill lists, with their cached profiles, faces and new marks;
// numbers listed for the first time are added to SeenList. Nothing (and no
// change) when the text holds no "table".
std::optional<std::vector<MemberRow>> FillOnlineList(std::string_view text, const MemberStore& ProfList, const MemberStore& FlagList,
                                                     MemberStore& SeenList, int FilterMask);
