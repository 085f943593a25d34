# One harness per format: the bytes are written to a file of that type and
# run through the whole chain a paint runs.
foreach(format bmp jpg png gif)
  tervo_add_fuzzer(fuzz_image_${format} fuzz_image.cpp imgctl)
  target_compile_definitions(fuzz_image_${format} PRIVATE TERVO_FUZZ_EXTENSION=".${format}")
endforeach()

# The BMP decoder on its own, without the rest of the chain.
tervo_add_fuzzer(fuzz_bmp_decoder fuzz_bmp_decoder.cpp imgctl)

# The PNG and GIF decoders on their own, likewise.
foreach(format png gif)
  tervo_add_fuzzer(fuzz_${format}_decoder fuzz_${format}_decoder.cpp imgctl)
  target_include_directories(fuzz_${format}_decoder PRIVATE ${PROJECT_SOURCE_DIR})
endforeach()

# The JPEG decoder alone, below the image chain.
tervo_add_fuzzer(fuzz_jpeg_decoder fuzz_jpeg_decoder.cpp imgctl)

# The readers of the newer formats, each alone, from one source.
foreach(format webp avif heif tiff jxl)
  tervo_add_fuzzer(fuzz_${format}_decoder fuzz_format_decoder.cpp imgctl)
  string(TOUPPER ${format} upper)
  target_compile_definitions(fuzz_${format}_decoder PRIVATE TERVO_FUZZ_${upper})
  target_include_directories(fuzz_${format}_decoder PRIVATE ${PROJECT_SOURCE_DIR})
endforeach()
