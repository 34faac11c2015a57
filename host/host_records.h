// The host's set and leg records as the plug-in reads them in place: a fixed
// 32-bit little-endian layout that belongs to the host. Fields named
// host_bytes_* are the host's own and never read here.
#pragma once
#include <stddef.h>
#include <stdint.h>

static_assert(sizeof(void*) == 4, "the host records hold 32-bit pointers");

struct HostLegRecord {
    uint8_t host_bytes_0[32];
    int32_t winner;         // 0 or 1; any other value: no winner
    int32_t winner_figure;  // shown in the winner's box when greater than 0
    uint8_t host_bytes_40[108];
};

struct HostPlayerBlock {
    char name[76];  // NUL-terminated ANSI text, at most 75 bytes
    int32_t tally;
    uint8_t host_bytes_80[216];
    int32_t is_computer;     // 1: a computer opponent
    int32_t computer_level;  // zero-based, shown + 1
    uint8_t host_bytes_304[4];
};

struct HostSetRecord {
    int32_t host_bytes_0;
    int32_t closed;  // read for the current set only
    int32_t number;
    int32_t set_ordinal;  // zero-based, shown + 1 when set_mode is 1
    int32_t leg_count;
    int32_t set_mode;
    uint8_t host_bytes_24[32];
    HostPlayerBlock players[2];
    HostLegRecord* legs;  // at least leg_count records
    uint8_t host_bytes_676[8];
};

struct HostSetList {
    HostSetRecord* stored_sets;  // read only when set_count > 0
    int32_t set_count;
    HostSetRecord* current_set;  // always valid
};

constexpr int HOST_SET_RECORD_SIZE = 684;
constexpr int HOST_LEG_RECORD_SIZE = 148;
constexpr int HOST_PLAYER_STRIDE = 308;

static_assert(sizeof(HostLegRecord) == HOST_LEG_RECORD_SIZE, "leg record size");
static_assert(offsetof(HostLegRecord, winner) == 32, "winner");
static_assert(offsetof(HostLegRecord, winner_figure) == 36, "winner_figure");

static_assert(sizeof(HostPlayerBlock) == HOST_PLAYER_STRIDE, "player block size");
static_assert(offsetof(HostPlayerBlock, tally) == 76, "tally in block");
static_assert(offsetof(HostPlayerBlock, is_computer) == 296, "is_computer in block");
static_assert(offsetof(HostPlayerBlock, computer_level) == 300, "computer_level in block");

static_assert(sizeof(HostSetRecord) == HOST_SET_RECORD_SIZE, "set record size");
static_assert(offsetof(HostSetRecord, closed) == 4, "closed");
static_assert(offsetof(HostSetRecord, number) == 8, "number");
static_assert(offsetof(HostSetRecord, set_ordinal) == 12, "set_ordinal");
static_assert(offsetof(HostSetRecord, leg_count) == 16, "leg_count");
static_assert(offsetof(HostSetRecord, set_mode) == 20, "set_mode");
static_assert(offsetof(HostSetRecord, players) == 56, "player 0 name");
static_assert(offsetof(HostSetRecord, players) + offsetof(HostPlayerBlock, tally) == 132, "player 0 tally");
static_assert(offsetof(HostSetRecord, players) + offsetof(HostPlayerBlock, is_computer) == 352, "player 0 is_computer");
static_assert(offsetof(HostSetRecord, players) + offsetof(HostPlayerBlock, computer_level) == 356, "player 0 level");
static_assert(offsetof(HostSetRecord, players) + HOST_PLAYER_STRIDE == 364, "player 1 name");
static_assert(offsetof(HostSetRecord, players) + HOST_PLAYER_STRIDE + offsetof(HostPlayerBlock, tally) == 440, "player 1 tally");
static_assert(offsetof(HostSetRecord, players) + HOST_PLAYER_STRIDE + offsetof(HostPlayerBlock, is_computer) == 660, "player 1 is_computer");
static_assert(offsetof(HostSetRecord, players) + HOST_PLAYER_STRIDE + offsetof(HostPlayerBlock, computer_level) == 664, "player 1 level");
static_assert(offsetof(HostSetRecord, legs) == 672, "legs");

static_assert(sizeof(HostSetList) == 12, "set list size");
static_assert(offsetof(HostSetList, set_count) == 4, "set_count");
static_assert(offsetof(HostSetList, current_set) == 8, "current_set");
