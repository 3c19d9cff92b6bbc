#pragma once

#include "storage/TSimpleXmlParser.h"

#include <QString>
#include <any>
#include <exception>
#include <memory>

// One folder's data file as DataFileReader read it: its parsed text, or
// nothing when the folder has none, or why it could not be read.
struct DataFileRecord {
    QString folder;
    // Null when there is no data file (or it could not be read).
    std::unique_ptr<TSimpleXmlParser> parser;
    // What the read raised, to be raised again on the thread that asked.
    std::exception_ptr failure;
    // What the reader's read function made of the parser on its thread,
    // so that the asking thread has less to do.
    std::any prepared;

    // Set when the read was only to be done from memory and would have
    // waited for a disk: nothing else is.
    bool notInMemory = false;

    // The data file of folder, read and parsed now (with onlyInMemory,
    // only when that needs no disk); never throws.
    static DataFileRecord ReadNow(const QString& folder, bool onlyInMemory = false);
    // The parser, or null; raises what the read raised.
    TSimpleXmlParser* Parser() const;
};
