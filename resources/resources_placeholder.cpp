// Artwork drawing code lives beside this file.
