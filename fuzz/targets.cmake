# The fuzz targets: name (the source is <name>_fuzz.cpp), the libraries it
# links, and its seed corpus (files or directories of *.json files), which
# the smoke run and docs/fuzzing.md use.
set(DRIVESETUP_FUZZ_TARGETS
  "setup_loader:kernel:examples,fuzz/corpus/setup_loader"
  "user_script:platform,input_reader:fuzz/corpus/user_script"
  "simulation:drive,kernel:fuzz/corpus/simulation"
  "program_image:kernel:resources/programs"
  "motor_database:kernel:resources/motors.json,fuzz/corpus/motor_database"
  "dialog_template:platform:resources/dialogs,unittests/platform/data"
)
