// The bytes of a compound file written by the tests, with just enough of its layout known to
// break it on purpose: FAT and mini-FAT entries and directory entries. 512-byte sectors only,
// as the writer makes them.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace vqdf::testing {

class CompoundImage {
public:
    static constexpr uint32_t kSectorBytes = 512;
    static constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
    static constexpr std::size_t kEntryBytes = 128;
    // Offsets inside a directory entry.
    static constexpr std::size_t kLeftSibling = 0x44;
    static constexpr std::size_t kRightSibling = 0x48;
    static constexpr std::size_t kChild = 0x4C;
    static constexpr std::size_t kStartSector = 0x74;
    static constexpr std::size_t kSize = 0x78;

    explicit CompoundImage(std::string fileBytes) : bytes(std::move(fileBytes)) {}

    uint32_t Read32(std::size_t offset) const {
        uint32_t value = 0;
        std::memcpy(&value, bytes.data() + offset, sizeof value);
        return value;
    }
    void Write32(std::size_t offset, uint32_t value) {
        std::memcpy(bytes.data() + offset, &value, sizeof value);
    }

    // Where the FAT entry of a sector lies in the file (the first 109 FAT sectors only).
    std::size_t FatOffset(uint32_t sector) const {
        const uint32_t fatSector = Read32(0x4C + 4 * (sector / 128));
        return SectorOffset(fatSector) + 4 * (sector % 128);
    }
    uint32_t Fat(uint32_t sector) const { return Read32(FatOffset(sector)); }
    void SetFat(uint32_t sector, uint32_t value) { Write32(FatOffset(sector), value); }

    std::size_t MiniFatOffset(uint32_t miniSector) const {
        return ChainOffset(Read32(0x3C), 4 * miniSector);
    }

    // The index of the first directory entry with this name, or -1.
    int Entry(const std::string& name) const {
        for (int index = 0; index < 4096; ++index) {
            const std::size_t at = EntryOffset(index);
            if (at == 0 || at + kEntryBytes > bytes.size()) {
                return -1;
            }
            const uint16_t length = static_cast<uint16_t>(Read32(at + 0x40) & 0xFFFF);
            std::string entryName;
            for (std::size_t k = 0; k + 2 < length; k += 2) {
                entryName += bytes[at + k];
            }
            if (entryName == name) {
                return index;
            }
        }
        return -1;
    }
    std::size_t EntryOffset(int index) const {
        return ChainOffset(Read32(0x30), static_cast<std::size_t>(index) * kEntryBytes);
    }

private:
    static std::size_t SectorOffset(uint32_t sector) {
        return (static_cast<std::size_t>(sector) + 1) * kSectorBytes;
    }
    // The file offset of a byte position inside the chain that starts at the sector; 0 when the
    // chain ends before it.
    std::size_t ChainOffset(uint32_t sector, std::size_t position) const {
        for (std::size_t skip = position / kSectorBytes; skip > 0; --skip) {
            sector = Fat(sector);
            if (sector >= 0xFFFFFFFA) {
                return 0;
            }
        }
        return SectorOffset(sector) + position % kSectorBytes;
    }

public:
    std::string bytes;
};

}  // namespace vqdf::testing
