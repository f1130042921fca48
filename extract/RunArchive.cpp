#include "extract/RunArchive.h"

namespace hotaru {

RunArchive::RunArchive(std::string path, disc::ReadOptions options)
    : shared_(std::make_shared<SharedArchive>(std::move(path), std::move(options)))
{
}

RunArchive::RunArchive(std::shared_ptr<SharedArchive> shared) : shared_(std::move(shared)) {}

}  // namespace hotaru
