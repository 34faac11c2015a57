// Checks of the sample host's pure parts: sample records, CSV sheet, options, report.
#include <stdio.h>
#include <string.h>

#include <string>

#include <windows.h>

#include "sample_host/host_options.h"
#include "sample_host/sample_sets.h"
#include "sample_host/script_report.h"
#include "sample_host/sheet_csv.h"

namespace {

int g_passed = 0;
int g_failed = 0;

void check(bool condition, const char* what) {
    if (condition) {
        ++g_passed;
    } else {
        ++g_failed;
        printf("FAILED: %s\n", what);
    }
}

void check_text(const std::string& got, const std::string& expected, const char* what) {
    check(got == expected, what);
    if (got != expected) printf("--- expected\n%s--- got\n%s---\n", expected.c_str(), got.c_str());
}

int won_legs(const HostSetRecord& set, int seat) {
    int won = 0;
    for (int i = 0; i < set.leg_count; ++i) won += set.legs[i].winner == seat ? 1 : 0;
    return won;
}

void check_csv_fields() {
    check_text(csv_field("Tanaka"), "Tanaka", "plain field unchanged");
    check_text(csv_field("a,b"), "\"a,b\"", "comma quoted");
    check_text(csv_field("say \"hi\""), "\"say \"\"hi\"\"\"", "quotes doubled");
    check_text(csv_field("two\r\nlines"), "\"two\r\nlines\"", "line break quoted");
    check_text(csv_field(""), "", "empty field");
}

void check_sample_records() {
    const HostSetList* list = sample_set_list();
    check(list == sample_set_list(), "the list is built once");
    check(list->set_count == 4, "four stored sets");
    check(list->current_set != nullptr, "current set present");
    check(list->current_set->closed == 0 && list->current_set->leg_count > 0, "current set is open with legs");
    for (int i = 0; i < list->set_count; ++i) {
        const HostSetRecord& set = list->stored_sets[i];
        check(find_sample_set(&set) == &set, "stored set found by address");
        check(!is_current_sample_set(&set), "stored set is not current");
        for (int seat = 0; seat < 2; ++seat) {
            check(memchr(set.players[seat].name, '\0', 76) != nullptr, "name terminated within 76 bytes");
            check(set.players[seat].tally == won_legs(set, seat), "tally matches the legs won");
        }
    }
    check(find_sample_set(list->current_set) == list->current_set, "current set found");
    check(is_current_sample_set(list->current_set), "current set is current");
    check(find_sample_set(list) == nullptr, "the list itself is no set");
    check(find_sample_set(reinterpret_cast<const char*>(list->stored_sets) + 4) == nullptr, "inner address refused");
    check(find_sample_set(nullptr) == nullptr, "null refused");
    const HostSetRecord* sets = list->stored_sets;
    check(sets[0].players[0].tally > sets[0].players[1].tally, "first player leads set 1");
    check(sets[1].players[1].tally > sets[1].players[0].tally, "second player leads set 2");
    check(sets[2].players[0].tally == sets[2].players[1].tally && sets[2].leg_count > 0, "set 3 tied");
    check(sets[3].leg_count == 0, "set 4 has no legs");
    check(sets[1].players[1].is_computer == 1 && sets[1].players[1].computer_level == 2, "computer at level 3");
    check(sets[1].set_mode == 1 && sets[1].set_ordinal == 2, "set 2 is the match's third set");
}

void check_names_follow_the_code_page() {
    const SampleNames& japanese = sample_names_for_code_page(932);
    check(strcmp(japanese.yamada, "\x8e\x52\x93\x63") == 0, "Shift-JIS name on code page 932");  // 山田
    check(strcmp(japanese.brown, "\x83\x75\x83\x89\x83\x45\x83\x93") == 0, "katakana on code page 932");  // ブラウン
    const unsigned western_pages[] = {1252, 1250, 437};
    for (unsigned page : western_pages) {
        const SampleNames& names = sample_names_for_code_page(page);
        const char* all[] = {names.tanaka, names.suzuki, names.yamada, names.brown,
                             names.sato, names.sakura, names.yamada_taro};
        for (const char* name : all) {
            bool ascii = true;
            for (const char* p = name; *p; ++p) ascii = ascii && static_cast<unsigned char>(*p) < 0x80;
            check(ascii, "romanised names elsewhere");
        }
    }
    const SampleNames& names = sample_names_for_code_page(GetACP());
    const HostSetRecord* sets = sample_set_list()->stored_sets;
    check(strcmp(sets[2].players[0].name, names.yamada) == 0, "the records hold the system's names");
}

void check_sheets() {
    const HostSetList* list = sample_set_list();
    const SampleNames& names = sample_names_for_code_page(GetACP());
    const std::string tanaka = names.tanaka, suzuki = names.suzuki, yamada = names.yamada, brown = names.brown;
    const std::string sato = names.sato, sakura = names.sakura;
    check_text(compose_sheet_csv(list->stored_sets[0], false),
               "ScoreSheet,tq7_sheet\r\nSet number,1\r\nSet in match,\r\nState,Closed\r\nLegs,3\r\n"
               "Player,Name,Kind,Level,Legs won\r\n1," + tanaka + ",Human,,2\r\n2," + suzuki + ",Human,,1\r\n"
               "Leg,Winner," + tanaka + "," + suzuki + "\r\n1,1,18,\r\n2,2,,21\r\n3,1,15,\r\n",
               "set 1 sheet");
    check_text(compose_sheet_csv(list->stored_sets[1], false),
               "ScoreSheet,tq7_sheet\r\nSet number,2\r\nSet in match,3\r\nState,Closed\r\nLegs,4\r\n"
               "Player,Name,Kind,Level,Legs won\r\n1," + suzuki + ",Human,,1\r\n2,COM,Computer,3,2\r\n"
               "Leg,Winner," + suzuki + ",COM (Lv.3)\r\n1,2,,24\r\n2,1,19,\r\n3,,,\r\n4,2,,17\r\n",
               "set 2 sheet: computer, ordinal, leg without winner");
    check_text(compose_sheet_csv(list->stored_sets[2], false),
               "ScoreSheet,tq7_sheet\r\nSet number,3\r\nSet in match,\r\nState,Closed\r\nLegs,2\r\n"
               "Player,Name,Kind,Level,Legs won\r\n1," + yamada + ",Human,,1\r\n2," + brown + ",Human,,1\r\n"
               "Leg,Winner," + yamada + "," + brown + "\r\n1,2,,27\r\n2,1,,\r\n",
               "set 3 sheet: names in the ANSI code page, winner without figure");
    check_text(compose_sheet_csv(list->stored_sets[3], false),
               "ScoreSheet,tq7_sheet\r\nSet number,4\r\nSet in match,\r\nState,Closed\r\nLegs,0\r\n"
               "Player,Name,Kind,Level,Legs won\r\n1," + sato + ",Human,,0\r\n2," + sakura + ",Human,,0\r\n"
               "Leg,Winner," + sato + "," + sakura + "\r\n",
               "set 4 sheet: no legs");
    const std::string current = compose_sheet_csv(*list->current_set, true);
    check(current.find("State,Open\r\n") != std::string::npos, "current sheet is open");
    check(current.find("Set in match,1\r\n") != std::string::npos, "current set's ordinal shown + 1");

    HostSetRecord odd = {};
    strcpy(odd.players[0].name, "Smith, Jr.");
    memset(odd.players[1].name, 'x', sizeof(odd.players[1].name));  // no NUL at all
    odd.leg_count = 2;  // no legs pointer: nothing is read
    const std::string sheet = compose_sheet_csv(odd, false);
    check(sheet.find("1,\"Smith, Jr.\",Human") != std::string::npos, "name with comma quoted");
    check(sheet.find(std::string(76, 'x') + ",Human") != std::string::npos, "unterminated name bounded");
    check(sheet.size() > 0 && sheet.compare(sheet.size() - 2, 2, "\r\n") == 0, "sheet ends with a line end");
}

void check_options() {
    const char* plain[] = {"sample_host.exe"};
    HostOptions options = parse_host_options(1, plain);
    check(options.valid && options.module_path.empty() && options.script_dir.empty() && options.output_row == -1,
          "no options");
    const char* full[] = {"x", "--script", "out", "--output-row", "2", "--module", "m\\tq7_sheet.tq7"};
    options = parse_host_options(7, full);
    check(options.valid && options.script_dir == "out" && options.output_row == 2 &&
              options.module_path == "m\\tq7_sheet.tq7",
          "all options");
    const char* bad_row[] = {"x", "--script", "out", "--output-row", "two"};
    check(!parse_host_options(5, bad_row).valid, "bad row refused");
    const char* row_alone[] = {"x", "--output-row", "1"};
    check(!parse_host_options(3, row_alone).valid, "row without script refused");
    const char* missing[] = {"x", "--module"};
    check(!parse_host_options(2, missing).valid, "missing value refused");
    const char* unknown[] = {"x", "--fast"};
    check(!parse_host_options(2, unknown).valid, "unknown option refused");
}

void check_report() {
    ScriptReport report;
    report.rows.push_back("Set 1");
    report.counts.handed_out = 1;
    report.counts.released = 1;
    std::string text = compose_script_report(report);
    check(text.find("row 0: Set 1\r\n") != std::string::npos, "report lists rows");
    check(text.find("texts not released: 0\r\n") != std::string::npos, "report counts texts");
    check(text.find("result: PASS\r\n") != std::string::npos, "report passes without failures");
    report.failures.push_back("no dialog appeared");
    text = compose_script_report(report);
    check(text.find("failure: no dialog appeared\r\nresult: FAIL\r\n") != std::string::npos, "report fails");
}

}  // namespace

int main() {
    check_csv_fields();
    check_sample_records();
    check_names_follow_the_code_page();
    check_sheets();
    check_options();
    check_report();
    printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
