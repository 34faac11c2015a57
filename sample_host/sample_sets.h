// The sample host's set records, held in the host's own layout for the plug-in.
#pragma once
#include "host/host_records.h"

// The players' names as a user types them on a system with this ANSI code
// page: kanji and kana in Shift-JIS on a Japanese one (932), romanised on
// every other.
struct SampleNames {
    const char* tanaka;
    const char* suzuki;
    const char* yamada;
    const char* brown;
    const char* sato;
    const char* sakura;
    const char* yamada_taro;
};
const SampleNames& sample_names_for_code_page(unsigned code_page);

// Fills the static records once, with the names for the system's ANSI code
// page; later calls return the same list unchanged,
// so every pointer handed out stays valid for the life of the process.
HostSetList* sample_set_list();

// The record that the host handed out under this address, or nullptr when the
// address is none of its records (the plug-in must pass pointers unchanged).
const HostSetRecord* find_sample_set(const void* address);

// True for the open set the host is playing now (HostSetList::current_set).
bool is_current_sample_set(const HostSetRecord* set);
