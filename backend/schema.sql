-- The leaderboard table the desktop client writes to.
--
-- The client upserts one row per user with POST /rest/v1/scores and
-- "Prefer: resolution=merge-duplicates", which PostgREST turns into
-- INSERT ... ON CONFLICT (<primary key>) DO UPDATE: user_id must be the primary key, so a
-- second upload of the same user overwrites the first. The columns are exactly the keys of
-- the uploaded row. Run it as the database owner; it can be run again safely.

create table if not exists public.scores (
    user_id      uuid primary key references auth.users (id) on delete cascade,
    tavrik_score bigint not null,
    streak       bigint not null,
    top_model    text,
    lines_today  bigint not null,
    lines_week   bigint not null,
    lines_all    bigint not null,
    cost_today   double precision not null,
    cost_week    double precision not null,
    cost_all     double precision not null,
    tokens_today double precision not null,
    tokens_week  double precision not null,
    tokens_all   double precision not null,
    last_synced  timestamptz not null
);

-- Everybody may read the board; a signed-in user may write only the row that carries their
-- own id. Nobody deletes through the API: a row goes when its user is deleted.
alter table public.scores enable row level security;

revoke all on public.scores from anon, authenticated;
grant select on public.scores to anon, authenticated;
grant insert, update on public.scores to authenticated;

drop policy if exists "scores are readable by everyone" on public.scores;
create policy "scores are readable by everyone"
    on public.scores for select
    to anon, authenticated
    using (true);

drop policy if exists "users insert their own score" on public.scores;
create policy "users insert their own score"
    on public.scores for insert
    to authenticated
    with check (user_id = (select auth.uid()));

drop policy if exists "users update their own score" on public.scores;
create policy "users update their own score"
    on public.scores for update
    to authenticated
    using (user_id = (select auth.uid()))
    with check (user_id = (select auth.uid()));
