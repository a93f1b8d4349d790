# Every fuzz target: fuzz/<name>.cpp, linked with all portable libraries.
set(KIT_FUZZ_TARGETS
  mimecode_fuzz
  gost3410_verify_fuzz
  gost_symmetric_fuzz
  pkblock_fuzz
  encrypted_buffer_fuzz
  signature_block_fuzz
  transfer_block_fuzz
  ccom_parsers_fuzz
)
