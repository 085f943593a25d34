// Replaced by the tool dialogs.
