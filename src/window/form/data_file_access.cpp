// The data file as the window uses it: opened, read or written, and closed within one action.
#include "window/form/form1x.h"

void Form1x::OpenDataFile()
{
    dataFile_.open();
    state_.RecordCount = dataFile_.recordCount();
}

void Form1x::closeDataFile()
{
    dataFile_.close();
}

void Form1x::closeAllFiles()
{
    // Both are closed even when closing the first one fails.
    try {
        dataFile_.close();
    } catch (...) {
        scratchFile_.close();
        throw;
    }
    scratchFile_.close();
}

store::ContactRecord Form1x::readRecord(std::int32_t n)
{
    return dataFile_.read(n);
}

store::RecordView Form1x::viewRecord(std::int32_t n)
{
    return dataFile_.view(n);
}

void Form1x::writeRecord(std::int32_t n, const store::ContactRecord& record)
{
    dataFile_.write(n, record);
}
