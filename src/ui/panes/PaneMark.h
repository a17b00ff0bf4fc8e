#pragma once
// The frame around a pane's control: drawn in the selection colour on the
// pane the keys act on, so the active one is seen at a glance.
inline constexpr int kPaneMarkWidth = 3;
