// Sample sets: finished sets and one open set, as a darts host would keep them.
#include "sample_host/sample_sets.h"

#include <string.h>
#include <windows.h>

namespace {

constexpr int NO_WINNER = -1;
constexpr int STORED_SET_COUNT = 4;

// Zero-filled static storage: the host's own bytes stay 0 as a real host's
// untouched fields would be to the plug-in.
HostSetRecord g_stored_sets[STORED_SET_COUNT];
HostSetRecord g_current_set;
HostSetList g_set_list;
bool g_built = false;

HostLegRecord g_legs_set1[3];
HostLegRecord g_legs_set2[4];
HostLegRecord g_legs_set3[2];
HostLegRecord g_legs_current[3];

constexpr unsigned JAPANESE_CODE_PAGE = 932;

const SampleNames ROMANISED_NAMES = {"Tanaka", "Suzuki", "Yamada", "Brown", "Sato", "Sakura", "Yamada Taro"};

// Shift-JIS bytes, written out so the source stays ASCII.
const SampleNames JAPANESE_NAMES = {
    "\x93\x63\x92\x86",                  // 田中
    "\x97\xe9\x96\xd8",                  // 鈴木
    "\x8e\x52\x93\x63",                  // 山田
    "\x83\x75\x83\x89\x83\x45\x83\x93",  // ブラウン
    "\x8d\xb2\x93\xa1",                  // 佐藤
    "\x82\xb3\x82\xad\x82\xe7",          // さくら
    "\x8e\x52\x93\x63\x91\xbe\x98\x59",  // 山田太郎
};

void set_player(HostPlayerBlock& player, const char* name, int tally) {
    // Names are at most 75 bytes; the 76th stays NUL.
    strncpy(player.name, name, sizeof(player.name) - 1);
    player.tally = tally;
}

void set_computer(HostPlayerBlock& player, const char* name, int tally, int level) {
    set_player(player, name, tally);
    player.is_computer = 1;
    player.computer_level = level;  // zero-based: 2 is shown as level 3
}

void set_leg(HostLegRecord& leg, int winner, int darts_thrown) {
    leg.winner = winner;
    leg.winner_figure = darts_thrown;
}

void begin_set(HostSetRecord& set, int number, int closed, int set_mode, int set_ordinal) {
    set.number = number;
    set.closed = closed;
    set.set_mode = set_mode;
    set.set_ordinal = set_ordinal;
}

void build_sets(const SampleNames& names) {
    // Set 1: the first player leads 2-1, every leg with its darts thrown.
    HostSetRecord& first = g_stored_sets[0];
    begin_set(first, 1, 1, 0, 0);
    set_player(first.players[0], names.tanaka, 2);
    set_player(first.players[1], names.suzuki, 1);
    set_leg(g_legs_set1[0], 0, 18);
    set_leg(g_legs_set1[1], 1, 21);
    set_leg(g_legs_set1[2], 0, 15);
    first.legs = g_legs_set1;
    first.leg_count = 3;

    // Set 2: against the computer at level 3, the third set of a match
    // (set_mode 1), one leg abandoned without a winner; the computer leads.
    HostSetRecord& second = g_stored_sets[1];
    begin_set(second, 2, 1, 1, 2);
    set_player(second.players[0], names.suzuki, 1);
    set_computer(second.players[1], "COM", 2, 2);
    set_leg(g_legs_set2[0], 1, 24);
    set_leg(g_legs_set2[1], 0, 19);
    set_leg(g_legs_set2[2], NO_WINNER, 0);
    set_leg(g_legs_set2[3], 1, 17);
    second.legs = g_legs_set2;
    second.leg_count = 4;

    // Set 3: a Japanese player against an English one (in katakana on a
    // Japanese system), tied 1-1; the second
    // leg's winner has no figure recorded.
    HostSetRecord& third = g_stored_sets[2];
    begin_set(third, 3, 1, 0, 0);
    set_player(third.players[0], names.yamada, 1);
    set_player(third.players[1], names.brown, 1);
    set_leg(g_legs_set3[0], 1, 27);
    set_leg(g_legs_set3[1], 0, 0);
    third.legs = g_legs_set3;
    third.leg_count = 2;

    // Set 4: stored before a single leg was played.
    HostSetRecord& fourth = g_stored_sets[3];
    begin_set(fourth, 4, 1, 0, 0);
    set_player(fourth.players[0], names.sato, 0);
    set_player(fourth.players[1], names.sakura, 0);
    fourth.legs = nullptr;
    fourth.leg_count = 0;

    // The open set being played: the second player leads 2-1.
    begin_set(g_current_set, 5, 0, 1, 0);
    set_player(g_current_set.players[0], names.tanaka, 1);
    set_player(g_current_set.players[1], names.yamada_taro, 2);
    set_leg(g_legs_current[0], 1, 20);
    set_leg(g_legs_current[1], 0, 16);
    set_leg(g_legs_current[2], 1, 22);
    g_current_set.legs = g_legs_current;
    g_current_set.leg_count = 3;

    g_set_list.stored_sets = g_stored_sets;
    g_set_list.set_count = STORED_SET_COUNT;
    g_set_list.current_set = &g_current_set;
}

}  // namespace

const SampleNames& sample_names_for_code_page(unsigned code_page) {
    return code_page == JAPANESE_CODE_PAGE ? JAPANESE_NAMES : ROMANISED_NAMES;
}

HostSetList* sample_set_list() {
    if (!g_built) {
        build_sets(sample_names_for_code_page(GetACP()));
        g_built = true;
    }
    return &g_set_list;
}

const HostSetRecord* find_sample_set(const void* address) {
    const HostSetList* list = sample_set_list();
    for (int i = 0; i < list->set_count; ++i) {
        if (address == &list->stored_sets[i]) return &list->stored_sets[i];
    }
    if (address == list->current_set) return list->current_set;
    return nullptr;
}

bool is_current_sample_set(const HostSetRecord* set) {
    return set != nullptr && set == sample_set_list()->current_set;
}
