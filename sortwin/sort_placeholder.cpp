// Replaced by the sort window.
