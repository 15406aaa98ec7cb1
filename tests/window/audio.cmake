# Audio tests (stop recording, mixer)
