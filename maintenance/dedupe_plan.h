// SPDX-License-Identifier: MIT
// Which persons of a database are one correspondent: the correction of badly formed CompuServe
// addresses, the groups of persons that share an address, and which member of each group stays.
// The rules are plain functions so that a dry run plans exactly what a run does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/session.h"

namespace qs {

// An address at the CompuServe mail domain in the form of a user number: "12345.678@compuserve.com"
// gives "12345,678". Other addresses come back as they are.
std::string CompuServeNumberForm(std::string_view address);

// What a person's address and name become when its badly formed CompuServe address is corrected:
// an empty address (and in a mail database one that came through the CompuServe gateway or holds
// the DOS vertical line) is derived again from the identifying string, and an address at the
// CompuServe domain takes the user number form. `type` is the database type.
struct AddressCorrection {
    uint32_t id = 0;
    std::string old_address, address;
    std::string old_last, last, first;
};
std::optional<AddressCorrection> CorrectCISAddress(uint8_t type, const Person& p);

// A person that shares its address with another one.
struct GroupMember {
    std::string address;  // as stored (after correction)
    std::string key;      // the address folded for comparison
    uint32_t id = 0;
    std::string last;         // PER:LASTNAME (after correction)
    std::string header_last;  // the last name whose alpha the person's headers carry now
    uint32_t sent = 0;        // messages sent
    int32_t latest = 0;       // date of the newest one sent
};

// A person to be merged into the survivor of its address.
struct MergeEntry {
    std::string address;
    uint32_t id = 0;
    std::string last;
    uint32_t survivor = 0;
    std::string survivor_last;
};

// Of all persons given, those whose address (not empty) they share with another, ordered by
// address and identifier.
std::vector<GroupMember> GroupList(std::vector<GroupMember> persons);

// The survivor rules over a group list: a member that sent nothing is merged; the first sender
// stays unless a later one has a last name where the survivor has none, or has a last name and a
// newer message. A group where nobody sent anything is left alone, and `owner` (the owner of a
// mail database, 0 for none) always stays, taking in the others of its address.
std::vector<MergeEntry> ChooseSurvivors(const std::vector<GroupMember>& members, uint32_t owner);

// Every person of the current database as a possible group member, by identifier; with
// `corrections`, the address corrections are applied in memory and listed there. Person must be
// open. False when a read failed.
[[nodiscard]] bool ReadPersons(Session& s, std::vector<GroupMember>& out,
                               std::vector<AddressCorrection>* corrections);

// What a run would do to the current database, read without writing anything.
struct MergePlan {
    uint64_t persons = 0;  // persons before the run
    std::vector<AddressCorrection> corrections;
    std::vector<GroupMember> groups;
    std::vector<MergeEntry> merges;
};

// Reads the persons (with the corrections applied in memory when `corrections` is set, as a dry
// run must), counts the group members' sent messages and chooses the survivors. Person and the
// header file must be open. False when a read failed.
[[nodiscard]] bool PlanMerge(Session& s, bool corrections, MergePlan& plan);

// The sent count and newest date of each member, from the header file.
[[nodiscard]] bool CountSent(Session& s, std::vector<GroupMember>& members);

}  // namespace qs
