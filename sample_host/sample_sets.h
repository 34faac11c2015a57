// The sample host's set records, held in the host's own layout for the plug-in.
#pragma once
#include "host/host_records.h"

// Fills the static records once; later calls return the same list unchanged,
// so every pointer handed out stays valid for the life of the process.
HostSetList* sample_set_list();

// The record that the host handed out under this address, or nullptr when the
// address is none of its records (the plug-in must pass pointers unchanged).
const HostSetRecord* find_sample_set(const void* address);

// True for the open set the host is playing now (HostSetList::current_set).
bool is_current_sample_set(const HostSetRecord* set);
