# The settings file on Linux: atomic commits, code page 932 files from Windows.
target_sources(q_linux PRIVATE profile_store_linux.cpp)
