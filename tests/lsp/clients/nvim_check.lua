-- Headless Neovim (0.7 and later) as the client of linter-lsp: what the server
-- publishes for a buffer, raw and as vim.diagnostic keeps it, must match the
-- command-line linter's report on the same text, before and after an edit.
--
-- Run by run_nvim.sh, which passes LINTER_LSP, LINTER, SCRIPT (a copy the test may
-- edit), SCRIPT_SOURCE (the script's own name, for messages) and WORK (a scratch
-- folder) in the environment.

local WAIT_MS = 10000

local server, linter = vim.env.LINTER_LSP, vim.env.LINTER
local script, work = vim.env.SCRIPT, vim.env.WORK

local Failure = {}

local function fail(message)
  error(setmetatable({ message = message }, Failure), 0)
end

local function check(condition, message)
  if not condition then fail(message) end
end

local function read(path)
  local f = assert(io.open(path, 'rb'))
  local s = f:read('*a')
  f:close()
  return s
end

local function lines_of(s)
  local list = {}
  for line in (s .. '\n'):gmatch('(.-)\n') do list[#list + 1] = line end
  if list[#list] == '' then list[#list] = nil end
  return list
end

-- The linter on `text`: report warnings from stdout, lexical warnings from stderr,
-- each {line = <1-based, line feeds only>, message = ...}.
local function lint(text)
  local file = work .. '/reference.bgt'
  local f = assert(io.open(file, 'wb'))
  f:write(text)
  f:close()
  local out, err = work .. '/lint.out', work .. '/lint.err'
  vim.fn.system(string.format('%s %s >%s 2>%s', vim.fn.shellescape(linter),
    vim.fn.shellescape(file), vim.fn.shellescape(out), vim.fn.shellescape(err)))
  check(vim.v.shell_error == 0, string.format('%s exited with %d: %s', linter,
    vim.v.shell_error, read(err)))
  local report, lexical, total = {}, {}, nil
  local prefix = file .. ':'
  for _, line in ipairs(lines_of(read(out))) do
    if line ~= '' and line ~= 'No warnings.' then
      local count = line:match('^(%d+) warning%(s%)$')
      if count then
        total = tonumber(count)
      else
        local n, message
        if line:sub(1, #prefix) == prefix then
          n, message = line:sub(#prefix + 1):match('^(%d+): warning: (.*)$')
        end
        check(n, 'unexpected report line from the linter: ' .. line)
        report[#report + 1] = { line = tonumber(n), message = message }
      end
    end
  end
  check((total or 0) == #report, "the linter's count does not match its report lines")
  for _, line in ipairs(lines_of(read(err))) do
    local n, message = line:match('^Warning %[line (%d+)%]: (.*)$')
    check(n, "unexpected line on the linter's standard error: " .. line)
    lexical[#lexical + 1] = { line = tonumber(n), message = message }
  end
  return { report = report, lexical = lexical }
end

-- The name a warning is about: the 64-bit type word, else the first quoted name.
local function subject(message)
  local body = message:match('^%[.-%] (.*)$') or message
  return body:match('^use of (u?int64):') or body:match("'([^']*)'") or ''
end

-- Non-ASCII characters that are neither letters nor digits, as far as test scripts
-- go: Latin-1 punctuation and symbols, general punctuation, arrows, mathematical and
-- box-drawing symbols, CJK punctuation, variation selectors, the BOM and emoji. (The
-- Node client checks words against Unicode's own classes.)
local NON_WORD = {
  { 0x80, 0xA9 }, { 0xAB, 0xB1 }, { 0xB4, 0xB4 }, { 0xB6, 0xB8 }, { 0xBB, 0xBB },
  { 0xBF, 0xBF }, { 0xD7, 0xD7 }, { 0xF7, 0xF7 }, { 0x2000, 0x206F }, { 0x20A0, 0x20CF },
  { 0x2190, 0x245F }, { 0x2500, 0x2775 }, { 0x2794, 0x2BFF }, { 0x3000, 0x3004 },
  { 0x3008, 0x3020 }, { 0xFE00, 0xFE0F }, { 0xFEFF, 0xFEFF }, { 0x1F000, 0x1FAFF },
}

local function is_word_char(cp)
  if cp == nil then return false end
  if cp < 0x80 then
    return cp == 0x5F or (cp >= 0x30 and cp <= 0x39) or (cp >= 0x41 and cp <= 0x5A)
      or (cp >= 0x61 and cp <= 0x7A)
  end
  for _, r in ipairs(NON_WORD) do
    if cp >= r[1] and cp <= r[2] then return false end
  end
  return true
end

-- The code point of the UTF-8 character starting at byte p.
local function code_point(text, p)
  local b = text:byte(p)
  if b == nil then return nil end
  if b < 0x80 then return b end
  local n = b >= 0xF0 and 3 or b >= 0xE0 and 2 or 1
  local cp = b % (2 ^ (6 - n))
  for k = 1, n do cp = cp * 64 + (text:byte(p + k) or 0x80) % 64 end
  return cp
end

-- The code point of the character that ends just before byte p.
local function code_point_before(text, p)
  local q = p - 1
  while q > 1 and (text:byte(q) or 0) >= 0x80 and text:byte(q) < 0xC0 do q = q - 1 end
  return q >= 1 and code_point(text, q) or nil
end

-- Expected diagnostics for `text`, as the protocol places them: editor lines end at
-- LF, CR LF or a lone CR; characters are UTF-16 code units. Offsets are 1-based
-- byte indexes into `text`.
local function expected(text, reference)
  local starts = { 1 }
  for p in text:gmatch('\n()') do starts[#starts + 1] = p end
  local function linter_line(n)
    local k = math.min(math.max(n, 1), #starts)
    local first = starts[k]
    local stop = k < #starts and starts[k + 1] - 1 or #text + 1  -- one past the line
    if stop > first and text:byte(stop - 1) == 13 then stop = stop - 1 end
    return first, stop
  end
  local editor_starts = { 1 }
  do
    local p = 1
    while p <= #text do
      local b = text:byte(p)
      if b == 13 and text:byte(p + 1) == 10 then p, b = p + 1, 10 end
      if b == 13 or b == 10 then editor_starts[#editor_starts + 1] = p + 1 end
      p = p + 1
    end
  end
  local function position(offset)
    local lo, hi = 1, #editor_starts
    while lo < hi do
      local mid = math.floor((lo + hi + 1) / 2)
      if editor_starts[mid] <= offset then lo = mid else hi = mid - 1 end
    end
    local line, line_start = lo - 1, editor_starts[lo]
    local character = 0
    for q = line_start, offset - 1 do
      local b = text:byte(q)
      if b < 0x80 or b >= 0xC0 then character = character + 1 end
      if b >= 0xF0 then character = character + 1 end  -- a surrogate pair
    end
    return { line = line, character = character }
  end
  local function find(first, stop, name)
    if name == '' then return nil end
    local check_before = is_word_char(code_point(name, 1))
    local at = first
    while true do
      local s = text:find(name, at, true)
      if not s or s + #name > stop then return nil end
      local before_ok = not check_before or s == first
        or not is_word_char(code_point_before(text, s))
      local after_ok = s + #name == stop or not is_word_char(code_point(text, s + #name))
      if before_ok and after_ok then return s end
      at = s + 1
    end
  end
  local function diagnostic(first, stop, severity, message)
    return { range = { start = position(first), ['end'] = position(stop) },
             severity = severity, source = 'bgt-linter', message = message }
  end
  local list = {}
  for _, w in ipairs(reference.report) do
    local first, stop = linter_line(w.line)
    local name = subject(w.message)
    local at = find(first, stop, name)
    if at then first, stop = at, at + #name end
    list[#list + 1] = diagnostic(first, stop, 2, w.message)
  end
  for _, w in ipairs(reference.lexical) do
    local first, stop = linter_line(w.line)
    list[#list + 1] = diagnostic(first, stop, 3, w.message)
  end
  return list
end

local function show(d)
  local r = d.range
  return string.format('%d:%d-%d:%d severity %s source %s %q', r.start.line, r.start.character,
    r['end'].line, r['end'].character, tostring(d.severity), tostring(d.source), tostring(d.message))
end

local function compare(what, got, want)
  local diffs = {}
  for k = 1, math.max(#got, #want) do
    local g = got[k] and show(got[k]) or '(none)'
    local w = want[k] and show(want[k]) or '(none)'
    if g ~= w and #diffs < 10 then
      diffs[#diffs + 1] = string.format('  #%d: got  %s\n       want %s', k, g, w)
    end
  end
  if #diffs > 0 then
    fail(string.format('%s: %d diagnostics, %d expected; differences:\n%s', what, #got, #want,
      table.concat(diffs, '\n')))
  end
end

-- What vim.diagnostic holds for the buffer must be `want` in the buffer's terms:
-- 0-based lines, byte columns.
local function compare_buffer(what, bufnr, want)
  local lines = vim.api.nvim_buf_get_lines(bufnr, 0, -1, true)
  local function byte_col(p)
    local line = lines[p.line + 1] or ''
    return vim.str_byteindex(line, p.character, true)
  end
  local function key(lnum, col, end_lnum, end_col, severity, message)
    return string.format('%d:%d-%d:%d %d %s', lnum, col, end_lnum, end_col, severity, message)
  end
  local got_keys, want_keys = {}, {}
  for _, d in ipairs(vim.diagnostic.get(bufnr)) do
    got_keys[#got_keys + 1] = key(d.lnum, d.col, d.end_lnum, d.end_col, d.severity, d.message)
  end
  for _, d in ipairs(want) do
    -- The protocol's Warning and Information are vim.diagnostic's WARN and INFO.
    local severity = d.severity == 2 and vim.diagnostic.severity.WARN or vim.diagnostic.severity.INFO
    want_keys[#want_keys + 1] = key(d.range.start.line, byte_col(d.range.start),
      d.range['end'].line, byte_col(d.range['end']), severity, d.message)
  end
  table.sort(got_keys)
  table.sort(want_keys)
  local diffs = {}
  for k = 1, math.max(#got_keys, #want_keys) do
    if got_keys[k] ~= want_keys[k] and #diffs < 10 then
      diffs[#diffs + 1] = string.format('  got  %s\n  want %s', got_keys[k] or '(none)',
        want_keys[k] or '(none)')
    end
  end
  if #diffs > 0 then
    fail(string.format('%s: vim.diagnostic has %d, %d expected; first differences:\n%s', what,
      #got_keys, #want_keys, table.concat(diffs, '\n')))
  end
end

-- The buffer's text as the client sends it with full-text sync.
local function buffer_text(bufnr)
  local text = table.concat(vim.api.nvim_buf_get_lines(bufnr, 0, -1, true), '\n')
  if vim.api.nvim_buf_get_option(bufnr, 'eol') then text = text .. '\n' end
  return text
end

local function main()
  check(server and linter and script and work, 'LINTER_LSP, LINTER, SCRIPT and WORK must be set')
  vim.cmd('edit ' .. vim.fn.fnameescape(script))
  local bufnr = vim.api.nvim_get_current_buf()
  -- Neovim shows a lone CR inside a line and sends it so, and keeps a NUL byte as a
  -- line feed; LF scripts without NUL keep the buffer's lines and the protocol's the same.
  check(vim.bo[bufnr].fileformat == 'unix' and not read(script):find('[\r%z]'),
    (vim.env.SCRIPT_SOURCE or script) .. ' must have LF line ends only and no NUL bytes')

  local published, init_result = {}, nil
  local exited, exit_code, exit_signal = false, nil, nil
  local client_id = vim.lsp.start_client({
    name = 'linter-lsp',
    cmd = { server },
    root_dir = work,
    flags = { debounce_text_changes = 20 },
    on_init = function(_, result) init_result = result end,
    on_exit = function(code, signal)
      exited, exit_code, exit_signal = true, code, signal
    end,
    handlers = {
      ['textDocument/publishDiagnostics'] = function(err, result, ctx, config)
        published[#published + 1] = vim.deepcopy(result)
        return vim.lsp.diagnostic.on_publish_diagnostics(err, result, ctx, config)
      end,
    },
  })
  check(client_id, 'vim.lsp.start_client could not start ' .. server)
  check(vim.lsp.buf_attach_client(bufnr, client_id), 'vim.lsp.buf_attach_client failed')

  local function wait_for(count, what)
    local ok = vim.wait(WAIT_MS, function() return #published >= count or exited end, 10)
    check(not exited, string.format('the server ended (status %s) while waiting for %s',
      tostring(exit_code), what))
    check(init_result, string.format('no answer to initialize within %d s', WAIT_MS / 1000))
    check(ok, string.format('no publishDiagnostics within %d s after %s', WAIT_MS / 1000, what))
    return published[count]
  end

  local uri = vim.uri_from_bufnr(bufnr)
  local function check_published(what, params, text)
    check(params.uri == uri, string.format('%s: diagnostics for %s, not %s', what,
      tostring(params.uri), uri))
    local version = vim.lsp.util.buf_versions[bufnr]
    check(params.version == version, string.format('%s: version %s, the buffer is at %s', what,
      tostring(params.version), tostring(version)))
    local want = expected(text, lint(text))
    compare(what, params.diagnostics, want)
    -- The default handler runs right after ours; vim.diagnostic has them now.
    compare_buffer(what, bufnr, want)
    return want
  end

  local opened = wait_for(1, 'didOpen')
  check(init_result and init_result.capabilities, 'no answer to initialize')
  local caps = init_result.capabilities
  check(caps.positionEncoding == 'utf-16' and type(caps.textDocumentSync) == 'table'
    and caps.textDocumentSync.change == 1 and caps.textDocumentSync.openClose == true,
    'initialize answered ' .. vim.inspect(caps))
  check(type(init_result.serverInfo) == 'table' and init_result.serverInfo.name == 'linter-lsp',
    'initialize gave serverInfo ' .. vim.inspect(init_result.serverInfo))
  -- What the client sent: the buffer's text (a BOM, say, is not part of it).
  local first = check_published('didOpen', opened, buffer_text(bufnr))
  check(#first > 0, (vim.env.SCRIPT_SOURCE or script) .. ' gives no diagnostics to compare')

  -- An edit at the top: the client sends the whole new text in didChange.
  vim.api.nvim_buf_set_lines(bufnr, 0, 0, false, { '// a line put in at the top' })
  local changed = wait_for(2, 'didChange')
  local second = check_published('didChange', changed, buffer_text(bufnr))
  check(#second == #first, string.format('%d diagnostics after the edit, %d before', #second, #first))
  for k = 1, #first do
    check(second[k].range.start.line == first[k].range.start.line + 1
      and second[k].range.start.character == first[k].range.start.character,
      string.format('after the edit #%d is at %s, before it was at %s', k, show(second[k]),
        show(first[k])))
  end

  -- The client's own stop: shutdown, then exit; the server must end with status 0.
  vim.lsp.get_client_by_id(client_id).stop()
  check(vim.wait(WAIT_MS, function() return exited end, 10),
    string.format('the server did not end within %d s of shutdown and exit', WAIT_MS / 1000))
  check(exit_code == 0 and (exit_signal or 0) == 0, string.format(
    'the server ended with status %s, signal %s, after shutdown and exit', tostring(exit_code),
    tostring(exit_signal)))
  check(#published == 2, string.format('%d publishDiagnostics, 2 expected', #published))

  local v = vim.version()
  return string.format('nvim: ok, %d diagnostics matched the linter (didOpen, didChange), Neovim %d.%d.%d',
    #first + #second, v.major, v.minor, v.patch)
end

local ok, result = xpcall(main, function(e)
  if getmetatable(e) == Failure then return e.message end
  return debug.traceback(tostring(e), 2)
end)
if ok then
  io.stdout:write(result .. '\n')
  io.stdout:flush()
  vim.cmd('qall!')
else
  io.stderr:write('nvim: FAILED, ' .. result .. '\n')
  io.stderr:flush()
  vim.cmd('cquit 1')
end
