# Audio output, mixer and the stop recording carried as a resource.
# (included from src/CMakeLists.txt; target kvizor_core exists here)
