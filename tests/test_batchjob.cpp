// The batch of the window of a whole list, on its own: on a thread, beside the file.
#include "batchwindow/batchjob.h"
#include "tests/childprocess.h"
#include "tests/testfolders.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Runs the batch of `kind` on `input` to its end, within ten seconds; what it came to, with the
// names left in the file's folder.
std::string outcomeOf(BatchJob::Kind kind, const fs::path& input, const fs::path& database)
{
    BatchJob job(kind, input, database);
    if (const std::string refusal = job.start(); !refusal.empty()) {
        return "rifiutato: " + refusal;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!job.finished() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!job.finished()) {
        job.stop();
        return "non finito";
    }
    const BatchJob::Outcome& outcome = job.outcome();
    std::string told = outcome.end == BatchJob::Outcome::End::Written   ? "scritto "
                       : outcome.end == BatchJob::Outcome::End::Stopped ? "fermato "
                                                                        : "fallito ";
    told += outcome.result.filename().string() + outcome.failure + " |";
    for (const std::string& name : fileNames(input.parent_path())) {
        told += " " + name;
    }
    return told;
}

TEST(BatchJob, NamesItsAnswerBesideTheFile)
{
    const struct {
        const char* input;
        BatchJob::Kind kind;
        int number;
        const char* answer;
    } cases[] = {
        {"/dati/persone.csv", BatchJob::Kind::Calculation, 1, "/dati/persone-codici.csv"},
        {"/dati/persone.csv", BatchJob::Kind::Calculation, 2, "/dati/persone-codici-2.csv"},
        {"/dati/codici.CSV", BatchJob::Kind::Verification, 1, "/dati/codici-verifica.csv"},
        {"/dati/elenco 2024.txt", BatchJob::Kind::Verification, 12,
         "/dati/elenco 2024-verifica-12.csv"},
        {"/dati/senza", BatchJob::Kind::Calculation, 1, "/dati/senza-codici.csv"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BatchJob::answerName(c.input, c.kind, c.number), fs::path(c.answer)) << c.input;
    }
}

// Whatever stops the batch, nothing is left beside the file but the file, and the outcome says
// why: a database that cannot be read, a disk too small for the answer.
TEST(BatchJob, WhatStopsItLeavesNothingBehindAndIsTold)
{
    TemporaryFolder folder;
    const fs::path input = folder / "persone.csv";
    std::string rows = "cognome;nome;data;sesso;comune\n";
    for (int i = 0; i < 1000; ++i) {
        rows += "ROSSI;MARIO;01/01/1980;M;ROMA\n";
    }
    std::ofstream(input) << rows;
    EXPECT_EQ(outcomeOf(BatchJob::Kind::Calculation, input, MIRELTA_DATABASE),
              "scritto persone-codici.csv | persone-codici.csv persone.csv");
    fs::remove(folder / "persone-codici.csv");

    const std::string missing = outcomeOf(BatchJob::Kind::Verification, input, folder / "AA1.mdb");
    EXPECT_TRUE(missing.starts_with("fallito Impossibile ")) << missing;
    EXPECT_TRUE(missing.ends_with("| persone.csv")) << missing;

    // A disk of 64 KiB: the file fits, its answer does not.
    const auto full = childprocess::run(childprocess::smallDisk(folder.path(), 64 * 1024), [&] {
        std::ofstream(input) << rows;
        return outcomeOf(BatchJob::Kind::Calculation, input, MIRELTA_DATABASE);
    });
    if (!full) {
        GTEST_SKIP() << "no small disk can be mounted here";
    }
    EXPECT_EQ(*full, "fallito Impossibile scrivere il risultato nella cartella \"" +
                         folder.path().string() +
                         "\": il disco è pieno. Nessun file è stato scritto. | persone.csv");
}

} // namespace
