#pragma once

#include <string>

// Persons born in every municipality and state of the shipped table (current, ceased and foreign,
// so many rows end in an error), on days from 1900 to 2025, in a fixed random order: a CSV file of
// `rows` rows with the columns cognome, nome, data, sesso and comune, made once.
const std::string& personsFile(int rows);
