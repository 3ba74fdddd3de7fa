#pragma once

namespace brisklet {

// Where a move command puts a window; the raw words are "left", "right",
// "maximize" and "center".
enum class WindowPosition { left, right, maximize, center };

} // namespace brisklet
