#include "catalogue/OutputFormats.h"

#include "platform/Bytes.h"

namespace hotaru {

const OutputFormat& outputFormat(VideoFormat format) noexcept
{
    for (const OutputFormat& row : OutputFormats)
        if (row.format == format)
            return row;
    return OutputFormats[0];  // unreachable: every format has its row
}

const OutputFormat* outputFormatNamed(std::string_view name) noexcept
{
    for (const OutputFormat& row : OutputFormats)
        if (row.name == name)
            return &row;
    return nullptr;
}

const OutputFormat* outputFormatOfFile(std::string_view fileName) noexcept
{
    for (const OutputFormat& row : OutputFormats)
        if (fileName.size() > row.extension.size() && endsWithIgnoringCase(fileName, row.extension))
            return &row;
    return nullptr;
}

}  // namespace hotaru
