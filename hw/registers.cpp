#include "hw/registers.h"

#include <cstring>

#include "hw/regions.h"

uint16_t reg_load16(uint32_t offset) {
    uint16_t v;
    std::memcpy(&v, io_regs + (offset & (io_regs_size - 2)), 2);
    return v;
}

void reg_store16(uint32_t offset, uint16_t value) {
    std::memcpy(io_regs + (offset & (io_regs_size - 2)), &value, 2);
}
