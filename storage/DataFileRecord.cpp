#include "storage/DataFileRecord.h"

#include "storage/TConfigStreamer.h"

DataFileRecord DataFileRecord::ReadNow(const QString& folder, bool onlyInMemory) {
    DataFileRecord record;
    record.folder = folder;
    try {
        const TConfigStreamer streamer(folder);
        if (onlyInMemory)
            record.notInMemory = !streamer.GetParserIfInMemory(&record.parser);
        else
            record.parser = streamer.GetParser();
    } catch (...) {
        // Raised again where the record is used, as if read there.
        record.failure = std::current_exception();
    }
    return record;
}

TSimpleXmlParser* DataFileRecord::Parser() const {
    if (failure)
        std::rethrow_exception(failure);
    return parser.get();
}
