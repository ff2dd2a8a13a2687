#include "refengine/IFileDefragmenter.h"

#include "refengine/CBtrfsDefragmenter.h"
#include "refengine/CExt4Defragmenter.h"

std::unique_ptr<IFileDefragmenter> IFileDefragmenter::For(const QString& fileSystem)
{
    if (fileSystem == QLatin1String("ext4"))
        return std::make_unique<CExt4Defragmenter>();
    if (fileSystem == QLatin1String("btrfs"))
        return std::make_unique<CBtrfsDefragmenter>();
    return nullptr;
}

bool IFileDefragmenter::Supports(const QString& fileSystem)
{
    return fileSystem == QLatin1String("ext4") || fileSystem == QLatin1String("btrfs");
}
