# One harness per format: the bytes are written to a file of that type and
# run through the whole chain a paint runs.
foreach(format bmp jpg png gif)
  tervo_add_fuzzer(fuzz_image_${format} fuzz_image.cpp imgctl)
  target_compile_definitions(fuzz_image_${format} PRIVATE TERVO_FUZZ_EXTENSION=".${format}")
endforeach()

# The JPEG decoder alone, below the image chain.
tervo_add_fuzzer(fuzz_jpeg_decoder fuzz_jpeg_decoder.cpp imgctl)
