#pragma once

#include <optional>

#include <QString>

// Why the module file at `fileName` is not whole, or nothing: an ELF file must be at least as long as its headers
// say its program and section headers and its segments are. Mapping one that is cut short would end the program
// with a bus error at the first touch of a missing page. A file that is no ELF file at all is left to the loader,
// which names what is wrong with it.
std::optional<QString> moduleFileProblem(const QString& fileName);
