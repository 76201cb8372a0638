#pragma once

namespace tarvolin {

// The window geometry is given in twips; at 96 dots per inch 15 twips make one pixel.
constexpr int twips(int value) {
    return value / 15;
}

} // namespace tarvolin
