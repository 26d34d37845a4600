#pragma once

#include "fiscalcode/dates.h"
#include "fiscalcode/verification.h"
#include "places/birthplaces.h"
#include "places/calculation.h"
#include "places/registerfile.h"
#include "places/verification.h"
#include "text/csv.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

// The Italian texts of what the rules find: the failures of a calculation and the notices beside
// a code, the reasons a code is not valid, the defects of a register's file, the flaws of a CSV
// row, and how places and their times are named in them. The rules say what happened as a kind
// with its details; the windows, the batch and cfcalc show these texts, one and the same for
// each kind.
namespace messages {

// The captions of the name fields, as the calculation window shows them and its messages name
// them.
inline constexpr const char* kSurnameCaption = "Cognome";
inline constexpr const char* kGivenNameCaption = "Nome";

// A foreign state, as a place's times say it.
inline constexpr const char* kForeignState = "stato estero";

// The end of every refusal of a register's file, and of a failed update: nothing was written.
inline constexpr const char* kNothingWritten = " L'archivio non è stato modificato.";

// The first line of a failed calculation: "Impossibile lasciare vuoto il campo Cognome !",
// "Comune ambiguo:".
std::string failureText(const places::CalculationFailure& failure);

// The lines that follow it, one per place the failure concerns (at most 30, then how many more),
// each telling the place from the others: "CASTRO (LE) M261 dal 28/05/1975"; none for a failure
// that concerns no list of places.
std::vector<std::string> failureLines(const places::CalculationFailure& failure);

// After the list of an ambiguous place, how to give one of them, with the first as example:
// "Per indicarne uno, … \"C337\", \"CASTRO (C337)\"."
std::string choosingByCodeText(const places::CalculationFailure& failure);

// What the user should know about the code computed: "CAMPOSPINOSO ALBAREDO il 10/03/1990 si
// chiamava CAMPOSPINOSO (PV)".
std::string noticeText(const places::CalculationNotice& notice);

// Why a code is not valid: "lunghezza errata: 15 caratteri invece di 16".
std::string faultText(const fiscalcode::CodeFault& fault);

// "valido" or "non valido".
const char* verdictText(bool valid);

// The birthplace a valid code carries, "ROMA (RM)", or that its cadastral code is unknown.
std::string birthplaceText(const places::VerifiedCode& code);

// Why the register's file `file` was refused, naming it and the line at fault, and saying that
// nothing was written.
std::string defectText(const places::RegisterDefect& defect, const std::filesystem::path& file);

// What is wrong with a row of a CSV file: "Campo 3 troppo lungo: più di 1000 caratteri"; empty
// for None.
std::string flawText(text::CsvReader::Flaw flaw, std::size_t field);

// The times a place's code was in force: "dal 17/03/1861 al 03/02/2014", "dal 04/02/2014",
// "stato estero", "stato estero cessato nel 1990", "senza storia"; several joined by " e ".
std::string periodsText(const places::Place& place);

// The time in force that holds `day` ("dal 28/05/1975"), "stato estero" or "senza storia";
// periodsText when no time holds it.
std::string periodOnText(const places::Place& place, fiscalcode::Day day);

// What tells a place from any other in a list: the name and province on `day`, the cadastral
// code and the time in force, "CASTRO (LE) M261 dal 28/05/1975"; "BELLAGIO A744" without history.
std::string listing(const places::Place& place, fiscalcode::Day day);

// The times the code bore the place's name, as periodsText writes them.
std::string namePeriodsText(const places::Place& place);

} // namespace messages
