# Music rounds' clips: the listing of a round's folder, and decoding with
# loudness (the tests write their own clips with libsndfile).
kvizor_add_test(tst_roundclips clips/tst_roundclips.cpp LIBS kvizor_clips)
kvizor_add_test(tst_clipdecode clips/tst_clipdecode.cpp LIBS kvizor_clips PkgConfig::SNDFILE PkgConfig::EBUR128)
