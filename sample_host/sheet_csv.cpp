// Composes a set's score sheet as CSV text; pure, so it can be checked anywhere.
#include "sample_host/sheet_csv.h"

#include <stdio.h>
#include <string.h>

namespace {

const char LINE_END[] = "\r\n";  // the workbook side reads Windows lines

std::string player_name(const HostPlayerBlock& player) {
    // The name is NUL-terminated within its 76 bytes; never read past them.
    size_t length = 0;
    while (length < sizeof(player.name) && player.name[length] != '\0') ++length;
    return std::string(player.name, length);
}

std::string number_text(long value) {
    char buffer[24];
    snprintf(buffer, sizeof(buffer), "%ld", value);
    return buffer;
}

void add_row(std::string& out, const std::string* fields, int count) {
    for (int i = 0; i < count; ++i) {
        if (i > 0) out += ',';
        out += csv_field(fields[i]);
    }
    out += LINE_END;
}

void add_player_row(std::string& out, int seat, const HostPlayerBlock& player) {
    const bool computer = player.is_computer == 1;
    const std::string fields[] = {
        number_text(seat),
        player_name(player),
        computer ? "Computer" : "Human",
        computer ? number_text(static_cast<long>(player.computer_level) + 1) : "",
        number_text(player.tally),
    };
    add_row(out, fields, 5);
}

void add_leg_row(std::string& out, int leg_number, const HostLegRecord& leg) {
    const bool has_winner = leg.winner == 0 || leg.winner == 1;
    // The figure goes in the winner's own column, and only when it is > 0.
    std::string boxes[2];
    if (has_winner && leg.winner_figure > 0) boxes[leg.winner] = number_text(leg.winner_figure);
    const std::string fields[] = {
        number_text(leg_number),
        has_winner ? number_text(leg.winner + 1) : "",
        boxes[0],
        boxes[1],
    };
    add_row(out, fields, 4);
}

}  // namespace

std::string csv_field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string sheet_player_label(const HostPlayerBlock& player) {
    if (player.is_computer != 1) return player_name(player);
    return "COM (Lv." + number_text(static_cast<long>(player.computer_level) + 1) + ")";
}

std::string compose_sheet_csv(const HostSetRecord& set, bool is_current) {
    std::string out;
    const std::string title[] = {"ScoreSheet", "tq7_sheet"};
    add_row(out, title, 2);
    const std::string number[] = {"Set number", number_text(set.number)};
    add_row(out, number, 2);
    // The ordinal means something only for sets played as part of a match.
    const std::string ordinal[] = {
        "Set in match", set.set_mode == 1 ? number_text(static_cast<long>(set.set_ordinal) + 1) : ""};
    add_row(out, ordinal, 2);
    const std::string state[] = {"State", is_current ? "Open" : "Closed"};
    add_row(out, state, 2);
    const int leg_count = set.leg_count > 0 ? set.leg_count : 0;
    const std::string legs[] = {"Legs", number_text(leg_count)};
    add_row(out, legs, 2);

    const std::string player_header[] = {"Player", "Name", "Kind", "Level", "Legs won"};
    add_row(out, player_header, 5);
    add_player_row(out, 1, set.players[0]);
    add_player_row(out, 2, set.players[1]);

    const std::string leg_header[] = {
        "Leg", "Winner", sheet_player_label(set.players[0]), sheet_player_label(set.players[1])};
    add_row(out, leg_header, 4);
    for (int i = 0; i < leg_count && set.legs != nullptr; ++i) add_leg_row(out, i + 1, set.legs[i]);
    return out;
}
